// The public PNG test suite: every valid file decodes to what libpng decodes (under the
// rules this plug-in holds pixels by), every broken file gets its own outcome.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "dib_pixels.h"
#include "libpng_reference.h"
#include "codec/png_image.h"
#include "io/memory_stream.h"

namespace tevpng {
namespace {

namespace fs = std::filesystem;
using tevtest::DibToRgba;

const std::string kSuite = TEVPNG_PNGSUITE_DIR;
const std::string kHashTable = std::string(TEVPNG_FIXTURES_DIR) + "/pngsuite_rgba_hashes.txt";

// The display gamma table worked out independently, in double precision.
PngImage::GammaTable DoubleGammaTable(std::uint32_t value) {
    PngImage::GammaTable table{};
    for (int i = 0; i < 256; ++i) {
        table[i] = static_cast<std::uint8_t>(std::lround(std::pow(i / 255.0, 1.0 / (value / 100000.0 * 2.2)) * 255.0));
    }
    return table;
}

class ValidSuiteFile : public testing::TestWithParam<std::string> {};

TEST_P(ValidSuiteFile, DecodesLikeLibpng) {
    const std::string path = kSuite + "/" + GetParam();
    PngImage image;
    ASSERT_TRUE(image.LoadFile(path));
    EXPECT_EQ(image.LastError, LoadError::None);
    const HeaderChunk* header = image.ImageHeader();
    ASSERT_NE(header, nullptr);

    auto ref = tevtest::DecodeWithLibpng(tevtest::ReadFileBytes(path));
    ASSERT_TRUE(ref.has_value());
    ASSERT_EQ(header->Width, ref->width);
    ASSERT_EQ(header->Height, ref->height);

    if (ref->gamma) {
        const auto expected = DoubleGammaTable(*ref->gamma);
        for (int i = 0; i < 256; ++i) EXPECT_NEAR(image.Gamma[i], expected[i], 1) << "Gamma[" << i << "]";
    } else {
        EXPECT_TRUE(IsIdentity(image.Gamma));
    }
    EXPECT_EQ(header->AlphaPlane() != nullptr, ref->colorType == 4 || ref->colorType == 6);
    const auto actual = DibToRgba(*header);
    const auto expected = tevtest::ReferenceRgba(*ref, image.Gamma, true);
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < actual.size(); ++i) {
        ASSERT_EQ(actual[i], expected[i]) << "pixel " << i / 4 % ref->width << "," << i / 4 / ref->width
                                          << " channel " << i % 4;
    }
}

INSTANTIATE_TEST_SUITE_P(PngSuite, ValidSuiteFile, testing::ValuesIn(tevtest::PngSuiteFiles(kSuite, false)),
                         [](const auto& info) { return info.param.substr(0, info.param.size() - 4); });

// Interlaced and sequential files of the same picture give the same bytes, gamma included.
TEST(PngSuitePairs, InterlacedAndSequentialFilesDecodeIdentically) {
    int pairs = 0;
    for (const std::string& name : tevtest::PngSuiteFiles(kSuite, false)) {
        if (name.size() < 4 || name[3] != 'i') continue;
        std::string twin = name;
        twin[3] = 'n';
        if (!fs::exists(kSuite + "/" + twin)) continue;
        PngImage interlaced, sequential;
        ASSERT_TRUE(interlaced.LoadFile(kSuite + "/" + name));
        ASSERT_TRUE(sequential.LoadFile(kSuite + "/" + twin));
        const HeaderChunk* a = interlaced.ImageHeader();
        const HeaderChunk* b = sequential.ImageHeader();
        ASSERT_EQ(a->PixelBytes(), b->PixelBytes()) << name;
        EXPECT_EQ(std::memcmp(a->PixelBits(), b->PixelBits(), a->PixelBytes()), 0) << name;
        EXPECT_EQ(std::memcmp(&a->BitmapInfo, &b->BitmapInfo, sizeof(DibInfo)), 0) << name;
        ASSERT_EQ(a->AlphaPlane() != nullptr, b->AlphaPlane() != nullptr);
        if (a->AlphaPlane()) {
            EXPECT_EQ(std::memcmp(a->AlphaPlane(), b->AlphaPlane(), static_cast<std::size_t>(a->Width) * a->Height), 0)
                << name;
        }
        ++pairs;
    }
    EXPECT_GE(pairs, 30);
}

struct BrokenCase {
    const char* file;
    bool verifyCrc;
    bool loads;
    LoadError error;
};

class BrokenSuiteFile : public testing::TestWithParam<BrokenCase> {};

TEST_P(BrokenSuiteFile, GetsItsOutcome) {
    const BrokenCase& c = GetParam();
    PngImage image;
    image.VerifyCrc = c.verifyCrc;
    EXPECT_EQ(image.LoadFile(kSuite + "/" + c.file), c.loads);
    EXPECT_EQ(image.LastError, c.error);
}

INSTANTIATE_TEST_SUITE_P(
    PngSuite, BrokenSuiteFile,
    testing::Values(
        // Colour types 1 and 9, bit depths 0, 3 and 99: no format to hold them.
        BrokenCase{"xc1n0g08.png", false, false, LoadError::UnsupportedFormat},
        BrokenCase{"xc9n2c08.png", false, false, LoadError::UnsupportedFormat},
        BrokenCase{"xd0n2c08.png", false, false, LoadError::UnsupportedFormat},
        BrokenCase{"xd3n2c08.png", false, false, LoadError::UnsupportedFormat},
        BrokenCase{"xd9n2c08.png", false, false, LoadError::UnsupportedFormat},
        // Signatures damaged by line-end conversions and bit flips.
        BrokenCase{"xcrn0g04.png", false, false, LoadError::BadSignature},
        BrokenCase{"xlfn0g04.png", false, false, LoadError::BadSignature},
        BrokenCase{"xs1n0g01.png", false, false, LoadError::BadSignature},
        BrokenCase{"xs2n0g01.png", false, false, LoadError::BadSignature},
        BrokenCase{"xs4n0g01.png", false, false, LoadError::BadSignature},
        BrokenCase{"xs7n0g01.png", false, false, LoadError::BadSignature},
        BrokenCase{"xdtn0g01.png", false, false, LoadError::NoImageData},
        // Wrong CRCs (of IDAT, of IHDR) pass while nobody asks for them to be checked...
        BrokenCase{"xcsn0g01.png", false, true, LoadError::None},
        BrokenCase{"xhdn0g08.png", false, true, LoadError::None},
        // ... and when checked: after the image data the image stays usable, before it not.
        BrokenCase{"xcsn0g01.png", true, true, LoadError::CrcMismatch},
        BrokenCase{"xhdn0g08.png", true, false, LoadError::NoImageData}),
    [](const auto& info) {
        std::string name = info.param.file;
        return name.substr(0, name.size() - 4) + (info.param.verifyCrc ? "_verified" : "");
    });

TEST(PngSuiteBroken, EveryBrokenFileHasACase) {
    EXPECT_EQ(tevtest::PngSuiteFiles(kSuite, true).size(), 14u);
}

// The RGBA hashes the Windows build checks its DIB sections against. Regenerate with
// TEVPNG_RECORD_HASHES=1 after a deliberate change of decoded pixels.
TEST(PngSuiteHashes, MatchTheRecordedTable) {
    const bool record = std::getenv("TEVPNG_RECORD_HASHES") != nullptr;
    const auto table = tevtest::ReadHashTable(kHashTable);
    std::string lines = "# RGBA pixels (FNV-1a 64) of every valid PngSuite file, as decoded into DIB + alpha plane\n";
    for (const std::string& name : tevtest::PngSuiteFiles(kSuite, false)) {
        PngImage image;
        ASSERT_TRUE(image.LoadFile(kSuite + "/" + name));
        const std::string hash = tevtest::Hex64(tevtest::Fnv1a64(DibToRgba(*image.ImageHeader())));
        lines += name + " " + hash + "\n";
        if (!record) {
            EXPECT_EQ(table.count(name) ? table.at(name) : "missing", hash) << name;
        }
    }
    if (record) std::ofstream(kHashTable, std::ios::binary) << lines;
}

}  // namespace
}  // namespace tevpng
