// How an image is drawn, by colour type and tRNS: blended pixel by pixel, or through the
// colour-key mask (with or without a key of its own).
#include "codec/transparency.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codec/png_image.h"
#include "png_builder.h"
#include "io/memory_stream.h"

namespace tevpng {
namespace {

using tevtest::Bytes;
using tevtest::PngBytes;
using tevtest::Zlib;

struct ModeCase {
    const char* name;
    std::uint8_t colorType;
    std::uint8_t depth;
    bool withPalette;
    std::vector<std::uint8_t> trns;  // no tRNS chunk when empty and `hasTrns` is false
    bool hasTrns;
    TransparencyMode mode;
};

constexpr auto kNone = TransparencyMode::TransparencyNone;
constexpr auto kBit = TransparencyMode::TransparencyBit;
constexpr auto kPartial = TransparencyMode::TransparencyPartial;

const ModeCase kModeCases[] = {
    {"greyOpaque", 0, 8, false, {}, false, kNone},
    {"greyWithKey", 0, 8, false, {0, 9}, true, kBit},
    {"rgbOpaque", 2, 8, false, {}, false, kNone},
    {"rgbWithKey", 2, 8, false, {0, 1, 0, 2, 0, 3}, true, kBit},
    {"paletteOpaque", 3, 8, true, {}, false, kNone},
    {"paletteSingleKey", 3, 8, true, {255, 0, 255}, true, kBit},
    {"paletteSingleHalfTransparentEntry", 3, 8, true, {128}, true, kBit},
    {"paletteTwoEntries", 3, 8, true, {0, 0}, true, kPartial},
    {"paletteTrnsAllOpaque", 3, 8, true, {255, 255}, true, kPartial},
    {"paletteEmptyTrns", 3, 8, true, {}, true, kPartial},
    {"greyAlpha", 4, 8, false, {}, false, kPartial},
    {"rgba", 6, 8, false, {}, false, kPartial},
    {"rgbaWithTrnsAsWell", 6, 8, false, {0, 1, 0, 2, 0, 3}, true, kPartial},
    // A header no DIB format exists for: the load fails, the header stays, nothing blends.
    {"unknownColourType5", 5, 8, false, {}, false, kNone},
    {"unknownColourType7WithTrns", 7, 8, false, {0, 0}, true, kNone},
};

class TransparencyModes : public testing::TestWithParam<ModeCase> {};

TEST_P(TransparencyModes, FollowColourTypeAndTransparencyChunk) {
    const ModeCase& c = GetParam();
    PngBytes png = PngBytes::Start(2, 1, c.depth, c.colorType);
    if (c.withPalette) png.Chunk("PLTE", Bytes(9, 40));
    if (c.hasTrns) png.Chunk("tRNS", c.trns);
    png.Idat(Zlib(Bytes(1 + 2 * 4, 0))).Iend();
    MemoryStream stream(png.bytes());
    PngImage image;
    image.LoadStream(stream);
    ASSERT_NE(image.ImageHeader(), nullptr);
    EXPECT_EQ(TransparencyModeOf(image), c.mode);
}

INSTANTIATE_TEST_SUITE_P(Images, TransparencyModes, testing::ValuesIn(kModeCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(TransparencyModes, AnEmptyImageIsOpaque) {
    PngImage image;
    EXPECT_EQ(TransparencyModeOf(image), kNone);
}

}  // namespace
}  // namespace tevpng
