// Every valid file of the public PNG test suite, written back by SaveStream: our reader
// gets the same pixels from it, libpng reads it without a single warning and sees the
// same picture, and every chunk the file had is still there, in an order PNG allows.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "libpng_reference.h"
#include "codec/png_image.h"
#include "codec/writer.h"
#include "png_builder.h"
#include "png_chunks.h"
#include "io/memory_stream.h"

namespace tevpng {
namespace {

using tevtest::Bytes;

const std::string kSuite = TEVPNG_PNGSUITE_DIR;

// Where PNG allows each chunk: 0 right after IHDR .. 4 IEND; -1 anywhere between IHDR and IEND.
int Stage(const std::string& type) {
    if (type == "IHDR") return 0;
    if (BelongsBeforePalette(type)) return 1;
    if (type == "PLTE") return 2;
    if (BelongsBeforeImageData(type)) return 3;
    if (type == "IDAT") return 4;
    if (type == "IEND") return 5;
    return -1;
}

void ExpectPngOrder(const std::vector<std::string>& types, const std::string& name) {
    ASSERT_FALSE(types.empty());
    EXPECT_EQ(types.front(), "IHDR") << name;
    EXPECT_EQ(types.back(), "IEND") << name;
    int stage = 0;
    bool imageDataEnded = false;
    for (std::size_t i = 0; i < types.size(); ++i) {
        const int s = Stage(types[i]);
        if (types[i] != "IDAT" && i > 0 && types[i - 1] == "IDAT") imageDataEnded = true;
        if (types[i] == "IDAT") {
            EXPECT_FALSE(imageDataEnded) << name << ": IDAT chunks not consecutive";
        }
        if (s < 0) continue;
        EXPECT_GE(s, stage) << name << ": " << types[i] << " out of place";
        stage = std::max(stage, s);
    }
}

// Chunk types with their data, IDAT and cHRM (which the reader drops) left out.
std::multimap<std::string, Bytes> Ancillary(const std::vector<tevtest::ParsedChunk>& chunks) {
    std::multimap<std::string, Bytes> kept;
    for (const auto& chunk : chunks) {
        if (chunk.type != "IDAT" && chunk.type != "cHRM" && chunk.type != "IHDR") kept.emplace(chunk.type, chunk.data);
    }
    return kept;
}

class SuiteRoundTrip : public testing::TestWithParam<std::string> {};

TEST_P(SuiteRoundTrip, SaveThenLoadGivesTheSamePixels) {
    const Bytes original = tevtest::ReadFileBytes(kSuite + "/" + GetParam());
    PngImage image;
    {
        MemoryStream in(original);
        ASSERT_TRUE(image.LoadStream(in));
    }
    const HeaderChunk* header = image.ImageHeader();
    ASSERT_NE(header, nullptr);
    const int heldDepth = header->BitDepth;

    MemoryStream out;
    ASSERT_TRUE(image.SaveStream(out));
    const Bytes& written = out.Bytes();

    PngImage again;
    MemoryStream back(written);
    ASSERT_TRUE(again.LoadStream(back));
    EXPECT_EQ(again.LastError, LoadError::None);
    const HeaderChunk* reread = again.ImageHeader();
    ASSERT_NE(reread, nullptr);
    ASSERT_EQ(reread->Width, header->Width);
    ASSERT_EQ(reread->Height, header->Height);
    EXPECT_EQ(reread->ColorType, header->ColorType);
    EXPECT_EQ(reread->BitDepth, heldDepth == 2 ? 4 : heldDepth);
    EXPECT_EQ(again.Interlace, image.Interlace);
    EXPECT_EQ(again.Gamma, image.Gamma);

    // The pixels: DIB bytes, colour table, alpha plane.
    ASSERT_EQ(std::memcmp(&reread->BitmapInfo.bmiHeader, &header->BitmapInfo.bmiHeader, sizeof(DibInfoHeader)), 0);
    ASSERT_EQ(reread->PixelBytes(), header->PixelBytes());
    EXPECT_EQ(std::memcmp(reread->PixelBits(), header->PixelBits(), header->PixelBytes()), 0);
    if (header->HasPalette) {
        EXPECT_EQ(std::memcmp(reread->BitmapInfo.bmiColors, header->BitmapInfo.bmiColors,
                              sizeof(RgbQuad) << header->BitmapInfo.bmiHeader.biBitCount),
                  0);
    }
    ASSERT_EQ(reread->AlphaPlane() != nullptr, header->AlphaPlane() != nullptr);
    if (header->AlphaPlane()) {
        EXPECT_EQ(
            std::memcmp(reread->AlphaPlane(), header->AlphaPlane(), static_cast<std::size_t>(header->Width) * header->Height),
            0);
    }

    // libpng: no warning, the same picture.
    const auto verdict = tevtest::ReadStrictlyWithLibpng(written);
    EXPECT_TRUE(verdict.read);
    EXPECT_EQ(verdict.messages, std::vector<std::string>{});
    const auto before = tevtest::DecodeWithLibpng(original);
    const auto after = tevtest::DecodeWithLibpng(written);
    ASSERT_TRUE(before.has_value());
    ASSERT_TRUE(after.has_value());
    EXPECT_EQ(after->gamma, before->gamma);
    EXPECT_EQ(tevtest::ReferenceRgba(*after, image.Gamma, false), tevtest::ReferenceRgba(*before, image.Gamma, false));

    // Every chunk is kept, where PNG allows it.
    const auto originalChunks = tevtest::ParseChunks(original);
    const auto writtenChunks = tevtest::ParseChunks(written);
    ASSERT_TRUE(originalChunks.has_value());
    ASSERT_TRUE(writtenChunks.has_value());
    ExpectPngOrder(tevtest::ChunkTypes(*writtenChunks), GetParam());
    auto expected = Ancillary(*originalChunks);
    auto actual = Ancillary(*writtenChunks);
    // Palettes go out through the inverse gamma table and may differ in the last bit.
    if (before->gamma) {
        expected.erase("PLTE");
        actual.erase("PLTE");
    }
    // 16-bit samples are written with a low byte of 0, and so is the transparent key that
    // names them (WriterTransparentKey checks keys in detail).
    if (before->bitDepth == 16 && (before->colorType == 0 || before->colorType == 2)) {
        for (auto [key, end] = expected.equal_range("tRNS"); key != end; ++key) {
            for (std::size_t i = 1; i < key->second.size(); i += 2) key->second[i] = 0;
        }
    }
    EXPECT_EQ(actual, expected);
}

INSTANTIATE_TEST_SUITE_P(PngSuite, SuiteRoundTrip, testing::ValuesIn(tevtest::PngSuiteFiles(kSuite, false)),
                         [](const auto& info) { return info.param.substr(0, info.param.size() - 4); });

}  // namespace
}  // namespace tevpng
