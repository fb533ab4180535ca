#include "codec/row_decoder.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace tevpng {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(RowGeometry, RowBytesAndPixelStep) {
    struct Case {
        int colorType, bitDepth;
        std::uint32_t pixels;
        std::size_t rowBytes;
        int step;
    };
    for (const Case& c : {Case{0, 1, 9, 2, 1}, Case{0, 2, 5, 2, 1}, Case{0, 4, 3, 2, 1}, Case{0, 8, 3, 3, 1},
                          Case{0, 16, 3, 6, 2}, Case{3, 1, 8, 1, 1}, Case{3, 2, 1, 1, 1}, Case{3, 8, 7, 7, 1},
                          Case{2, 8, 3, 9, 3}, Case{2, 16, 3, 18, 6}, Case{4, 8, 3, 6, 2}, Case{4, 16, 3, 12, 4},
                          Case{6, 8, 3, 12, 4}, Case{6, 16, 3, 24, 8}, Case{1, 8, 3, 0, 1}, Case{5, 8, 3, 0, 1}}) {
        EXPECT_EQ(RowBytesFor(c.pixels, c.colorType, c.bitDepth), c.rowBytes) << c.colorType << "/" << c.bitDepth;
        EXPECT_EQ(PixelStepFor(c.colorType, c.bitDepth), c.step) << c.colorType << "/" << c.bitDepth;
    }
}

TEST(RowGeometry, Adam7PassWidthsOfNarrowImages) {
    struct Case {
        std::uint32_t width;
        std::array<std::uint32_t, 7> widths;
    };
    for (const Case& c : {Case{1, {1, 0, 1, 0, 1, 0, 1}}, Case{2, {1, 0, 1, 0, 1, 1, 2}},
                          Case{4, {1, 0, 1, 1, 2, 2, 4}}, Case{5, {1, 1, 2, 1, 3, 2, 5}},
                          Case{8, {1, 1, 2, 2, 4, 4, 8}}, Case{9, {2, 1, 3, 2, 5, 4, 9}}}) {
        for (int p = 0; p < 7; ++p) EXPECT_EQ(Adam7PassWidth(kAdam7Passes[p], c.width), c.widths[p]) << c.width << " pass " << p;
    }
}

TEST(Paeth, TiesPickAThenBThenC) {
    struct Case {
        std::uint8_t a, b, c, expected;
    };
    for (const Case& c : {Case{7, 7, 7, 7},        // all equal: a
                          Case{5, 20, 10, 20},     // pa 10 > pb 5 = pc 5: b
                          Case{0, 0, 10, 0},       // pa 10 = pb 10 < pc 20: a
                          Case{0, 20, 10, 10},     // pc 0 is least: c
                          Case{15, 20, 10, 20},    // pb least: b
                          Case{255, 0, 255, 0},    // pa 255, pb 0, pc 255: b
                          Case{200, 100, 0, 200}}) {  // pa 100 < pb 200 < pc 300: a
        EXPECT_EQ(PaethPredictor(c.a, c.b, c.c), c.expected) << int(c.a) << "," << int(c.b) << "," << int(c.c);
    }
}

struct FilterCase {
    const char* name;
    std::uint8_t filter;
    int step;
    Bytes row;
    Bytes previous;
    Bytes expected;
};

class FilterGolden : public testing::TestWithParam<FilterCase> {};

TEST_P(FilterGolden, ReconstructsTheRow) {
    const FilterCase& c = GetParam();
    for (auto unfilter : {UnfilterRow, UnfilterRowScalar}) {
        Bytes row = c.row;
        unfilter(c.filter, row.data(), c.previous.data(), row.size(), c.step);
        EXPECT_EQ(row, c.expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Filters, FilterGolden,
    testing::Values(
        FilterCase{"None", 0, 1, {1, 2, 3}, {9, 9, 9}, {1, 2, 3}},
        FilterCase{"SubStep1", 1, 1, {1, 2, 3, 4}, {9, 9, 9, 9}, {1, 3, 6, 10}},
        FilterCase{"SubStep3Wraps", 1, 3, {10, 20, 30, 1, 2, 3, 255, 1, 0}, Bytes(9, 50),
                   {10, 20, 30, 11, 22, 33, 10, 23, 33}},
        FilterCase{"SubStep4", 1, 4, {1, 2, 3, 4, 1, 1, 1, 1}, Bytes(8, 0), {1, 2, 3, 4, 2, 3, 4, 5}},
        FilterCase{"UpWraps", 2, 1, {1, 2, 3}, {255, 10, 0}, {0, 12, 3}},
        FilterCase{"AverageStep1", 3, 1, {10, 20, 30}, {100, 50, 7}, {60, 75, 71}},
        FilterCase{"AverageSumDoesNotOverflow", 3, 1, {0, 0}, {255, 255}, {127, 191}},
        FilterCase{"AverageStep3", 3, 3, {1, 1, 1, 0, 0, 0}, {2, 4, 6, 8, 10, 12}, {2, 3, 4, 5, 6, 8}},
        FilterCase{"PaethStep1", 4, 1, {5, 0, 0}, {10, 20, 30}, {15, 20, 30}},
        FilterCase{"PaethStep4TiesPickA", 4, 4, {1, 2, 3, 4, 1, 1, 1, 1}, Bytes(8, 0), {1, 2, 3, 4, 2, 3, 4, 5}},
        FilterCase{"Type5IsNone", 5, 1, {1, 2, 3}, {9, 9, 9}, {1, 2, 3}},
        FilterCase{"Type7IsNone", 7, 1, {1, 2, 3}, {9, 9, 9}, {1, 2, 3}},
        FilterCase{"Type255IsNone", 255, 1, {1, 2, 3}, {9, 9, 9}, {1, 2, 3}}),
    [](const auto& info) { return std::string(info.param.name); });

// The vector paths against the byte-by-byte reference, over every filter, the steps of
// every format, and lengths around the vector widths.
TEST(FilterVectors, AgreeWithTheScalarReference) {
    std::mt19937 random(1234);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int step : {1, 2, 3, 4, 6, 8}) {
        for (std::size_t pixels : {1, 2, 3, 4, 5, 7, 8, 15, 16, 17, 31, 33, 64, 100, 641}) {
            const std::size_t n = pixels * step;
            for (std::uint8_t filter = 0; filter <= 5; ++filter) {
                for (int trial = 0; trial < 3; ++trial) {
                    Bytes previous(n + 64), row(n + 64);
                    for (auto& b : previous) b = static_cast<std::uint8_t>(byte(random));
                    for (auto& b : row) b = static_cast<std::uint8_t>(byte(random));
                    if (trial == 2) std::fill(previous.begin(), previous.end(), 0);
                    Bytes expected = row;
                    UnfilterRowScalar(filter, expected.data(), previous.data(), n, step);
                    Bytes actual = row;
                    UnfilterRow(filter, actual.data(), previous.data(), n, step);
                    ASSERT_EQ(actual, expected) << "filter " << int(filter) << " step " << step << " n " << n;
                }
            }
        }
    }
}

// Two rows with one filter type at once equal the two rows one after the other.
TEST(FilterVectors, PairedRowsAgreeWithTheScalarReference) {
    std::mt19937 random(4321);
    for (int step : {1, 2, 3, 4, 6, 8}) {
        for (std::size_t pixels : {1, 3, 4, 5, 8, 9, 17, 100, 333}) {
            const std::size_t n = pixels * step;
            for (std::uint8_t filter = 0; filter <= 5; ++filter) {
                Bytes previous(n + 64), first(n + 64), second(n + 64);
                for (Bytes* b : {&previous, &first, &second}) {
                    for (auto& v : *b) v = static_cast<std::uint8_t>(random());
                }
                Bytes expectedFirst = first, expectedSecond = second;
                UnfilterRowScalar(filter, expectedFirst.data(), previous.data(), n, step);
                UnfilterRowScalar(filter, expectedSecond.data(), expectedFirst.data(), n, step);
                UnfilterRowPair(filter, first.data(), previous.data(), second.data(), n, step);
                ASSERT_EQ(first, expectedFirst) << "filter " << int(filter) << " step " << step << " n " << n;
                ASSERT_EQ(second, expectedSecond) << "filter " << int(filter) << " step " << step << " n " << n;
            }
        }
    }
}

// A header with pixel memory for converter and grey-ramp tests.
struct TestImage {
    PngImage image;
    HeaderChunk* header;
    TestImage(int colorType, int bitDepth, int width, int height = 1) {
        header = image.AddChunk("IHDR")->As<HeaderChunk>();
        header->ColorType = static_cast<std::uint8_t>(colorType);
        header->BitDepth = static_cast<std::uint8_t>(bitDepth);
        header->Width = width;
        header->Height = height;
        EXPECT_EQ(header->CreatePixelMemory(), LoadError::None);
    }
};

PngImage::GammaTable IdentityTable() {
    PngImage::GammaTable table{};
    for (int i = 0; i < 256; ++i) table[i] = static_cast<std::uint8_t>(i);
    return table;
}

PngImage::GammaTable Reversed() {
    PngImage::GammaTable table{};
    for (int i = 0; i < 256; ++i) table[i] = static_cast<std::uint8_t>(255 - i);
    return table;
}

struct ConvertCase {
    const char* name;
    int colorType, bitDepth;
    std::uint32_t width;
    Bytes source;
    Bytes dib;    // the first bytes of the DIB row
    Bytes alpha;  // empty when there is no alpha
    bool reversedGamma = false;
};

class ConverterGolden : public testing::TestWithParam<ConvertCase> {};

TEST_P(ConverterGolden, WritesTheDibRow) {
    const ConvertCase& c = GetParam();
    const auto gamma = c.reversedGamma ? Reversed() : IdentityTable();
    for (RowConverter convert : {FindRowConverter(c.colorType, c.bitDepth, !c.reversedGamma),
                                 FindReferenceRowConverter(c.colorType, c.bitDepth)}) {
        ASSERT_NE(convert, nullptr);
        Bytes source = c.source;
        source.resize(source.size() + 64);
        Bytes dib(c.dib.size() + 64, 0xEE), alpha(c.alpha.size() + 64, 0xEE);
        convert(source.data(), dib.data(), alpha.data(), c.width, gamma.data());
        EXPECT_EQ(Bytes(dib.begin(), dib.begin() + c.dib.size()), c.dib);
        EXPECT_EQ(dib[c.dib.size()], 0xEE) << "wrote past the row";
        if (!c.alpha.empty()) {
            EXPECT_EQ(Bytes(alpha.begin(), alpha.begin() + c.alpha.size()), c.alpha);
            EXPECT_EQ(alpha[c.alpha.size()], 0xEE);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Converters, ConverterGolden,
    testing::Values(
        ConvertCase{"Grey2BecomesFiveTimesV", 0, 2, 4, {0x1B}, {0x05, 0xAF}, {}},
        ConvertCase{"Palette2KeepsIndices", 3, 2, 4, {0x1B}, {0x01, 0x23}, {}},
        ConvertCase{"Grey2OddWidth", 0, 2, 3, {0xE4}, {0xFA, 0x50}, {}},
        ConvertCase{"Grey1Copied", 0, 1, 9, {0xA5, 0x80}, {0xA5, 0x80}, {}},
        ConvertCase{"Palette8Copied", 3, 8, 3, {1, 2, 3}, {1, 2, 3}, {}},
        ConvertCase{"Grey16HighBytes", 0, 16, 2, {0x12, 0x34, 0x56, 0x78}, {0x12, 0x56}, {}},
        ConvertCase{"GreyAlpha8ThreePixels", 4, 8, 3, {10, 11, 20, 21, 30, 31}, {10, 20, 30}, {11, 21, 31}},
        ConvertCase{"GreyAlpha16", 4, 16, 2, {1, 2, 3, 4, 5, 6, 7, 8}, {1, 5}, {3, 7}},
        ConvertCase{"Rgb8ToBgr", 2, 8, 2, {1, 2, 3, 4, 5, 6}, {3, 2, 1, 6, 5, 4}, {}},
        ConvertCase{"Rgb8ThroughGamma", 2, 8, 1, {1, 2, 3}, {252, 253, 254}, {}, true},
        ConvertCase{"Rgb16HighBytes", 2, 16, 1, {1, 9, 2, 9, 3, 9}, {3, 2, 1}, {}},
        ConvertCase{"Rgba8OnePixel", 6, 8, 1, {10, 20, 30, 40}, {30, 20, 10}, {40}},
        ConvertCase{"Rgba8ThroughGammaAlphaUntouched", 6, 8, 1, {10, 20, 30, 40}, {225, 235, 245}, {40}, true},
        ConvertCase{"Rgba16TwoPixels", 6, 16, 2, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15},
                    {4, 2, 0, 12, 10, 8}, {6, 14}}),
    [](const auto& info) { return std::string(info.param.name); });

// Shortcut converters against the references on random rows of many widths.
TEST(ConverterVectors, AgreeWithTheReferences) {
    std::mt19937 random(99);
    std::uniform_int_distribution<int> byte(0, 255);
    const auto gamma = IdentityTable();
    const std::pair<int, int> formats[] = {{0, 1}, {0, 2}, {0, 4}, {0, 8}, {0, 16}, {3, 1}, {3, 2}, {3, 4},
                                           {3, 8}, {4, 8}, {4, 16}, {2, 8}, {2, 16}, {6, 8}, {6, 16}};
    for (auto [colorType, bitDepth] : formats) {
        for (std::uint32_t width = 1; width < 80; ++width) {
            Bytes source(RowBytesFor(width, colorType, bitDepth) + 64);
            for (auto& b : source) b = static_cast<std::uint8_t>(byte(random));
            Bytes expectedDib(width * 3 + 64, 0), actualDib(width * 3 + 64, 0);
            Bytes expectedAlpha(width + 64, 0), actualAlpha(width + 64, 0);
            FindReferenceRowConverter(colorType, bitDepth)(source.data(), expectedDib.data(), expectedAlpha.data(),
                                                           width, gamma.data());
            FindRowConverter(colorType, bitDepth, true)(source.data(), actualDib.data(), actualAlpha.data(), width,
                                                        gamma.data());
            ASSERT_EQ(actualDib, expectedDib) << colorType << "/" << bitDepth << " width " << width;
            ASSERT_EQ(actualAlpha, expectedAlpha) << colorType << "/" << bitDepth << " width " << width;
        }
    }
}

TEST(GreyPalette, RampsThroughGamma) {
    struct Case {
        int colorType, bitDepth, entries, step;
    };
    for (const Case& c : {Case{0, 1, 2, 255}, Case{0, 2, 16, 17}, Case{0, 4, 16, 17}, Case{0, 8, 256, 1},
                          Case{0, 16, 256, 1}, Case{4, 8, 256, 1}, Case{4, 16, 256, 1}}) {
        for (const auto& gamma : {IdentityTable(), Reversed()}) {
            TestImage t(c.colorType, c.bitDepth, 4);
            BuildGreyPalette(*t.header, gamma);
            for (int i = 0; i < c.entries; ++i) {
                const RgbQuad q = t.header->BitmapInfo.bmiColors[i];
                const std::uint8_t level = gamma[i * c.step];
                ASSERT_EQ(q.rgbRed, level);
                ASSERT_EQ(q.rgbGreen, level);
                ASSERT_EQ(q.rgbBlue, level);
                ASSERT_EQ(q.rgbReserved, 0);
            }
        }
    }
}

TEST(GreyPalette, LeavesPaletteImagesAlone) {
    TestImage t(3, 8, 4);
    t.header->BitmapInfo.bmiColors[1] = RgbQuad{1, 2, 3, 0};
    BuildGreyPalette(*t.header, Reversed());
    EXPECT_EQ(t.header->BitmapInfo.bmiColors[1].rgbRed, 3);
    EXPECT_EQ(t.header->BitmapInfo.bmiColors[0].rgbRed, 0);
}

}  // namespace
}  // namespace tevpng
