#include "codec/blend_row.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ostream>
#include <random>
#include <string>
#include <vector>

namespace tevpng {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The vector blends available on this machine; each is held to the reference.
std::vector<const BlendRowKernels*> FastKernels() {
    std::vector<const BlendRowKernels*> kernels;
    if (const BlendRowKernels* k = Sse2BlendRows()) kernels.push_back(k);
    if (const BlendRowKernels* k = Ssse3BlendRows()) kernels.push_back(k);
    if (const BlendRowKernels* k = Avx2BlendRows()) kernels.push_back(k);
    return kernels;
}

std::vector<const BlendRowKernels*> AllKernels() {
    std::vector<const BlendRowKernels*> kernels{&ReferenceBlendRows()};
    for (const BlendRowKernels* k : FastKernels()) kernels.push_back(k);
    return kernels;
}

Bytes RandomBytes(std::mt19937& random, std::size_t size) {
    Bytes bytes(size);
    for (std::uint8_t& b : bytes) b = static_cast<std::uint8_t>(random());
    return bytes;
}

// Index of the first differing pixel of two surface rows, or -1.
long FirstDifferentPixel(const Bytes& a, const Bytes& b) {
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i]) return static_cast<long>(i / 4);
    return -1;
}

// ---------------------------------------------------------------------------------------------
// Every (s, d, a) triple. A row has 65 536 pixels, one per (s, d) pair in each channel, and each
// of the 256 rows shifts the alpha by one, so over the rows every pair meets every alpha.

constexpr int kPairs = 65536;

unsigned High(int i) { return static_cast<unsigned>(i) >> 8; }
unsigned Low(int i) { return static_cast<unsigned>(i) & 255; }
std::uint8_t AlphaOf(int i, int row) { return static_cast<std::uint8_t>(i + row); }

// Surface row: blue d = low byte, green d = high byte, red d = low byte, fourth byte a pattern.
Bytes PairSurface(int row) {
    Bytes surface(kPairs * 4);
    for (int i = 0; i < kPairs; ++i) {
        surface[4 * i + 0] = static_cast<std::uint8_t>(Low(i));
        surface[4 * i + 1] = static_cast<std::uint8_t>(High(i));
        surface[4 * i + 2] = static_cast<std::uint8_t>(Low(i));
        surface[4 * i + 3] = static_cast<std::uint8_t>(i * 7 + row);
    }
    return surface;
}

// Source of the 24-bit rows: blue s = high, green s = low, red s = high ^ low.
Bytes PairBgr() {
    Bytes bgr(kPairs * 3);
    for (int i = 0; i < kPairs; ++i) {
        bgr[3 * i + 0] = static_cast<std::uint8_t>(High(i));
        bgr[3 * i + 1] = static_cast<std::uint8_t>(Low(i));
        bgr[3 * i + 2] = static_cast<std::uint8_t>(High(i) ^ Low(i));
    }
    return bgr;
}

Bytes PairAlpha(int row) {
    Bytes alpha(kPairs);
    for (int i = 0; i < kPairs; ++i) alpha[i] = AlphaOf(i, row);
    return alpha;
}

// The blend's defining values, checked on the reference over every (s, d) pair of a row.
void ExpectFixedPoints(const Bytes& before, const Bytes& after, const Bytes& bgr, int row) {
    for (int i = 0; i < kPairs; ++i) {
        const unsigned a = AlphaOf(i, row);
        for (int c = 0; c < 3; ++c) {
            const unsigned s = bgr[3 * i + c], d = before[4 * i + c], r = after[4 * i + c];
            if (a == 0) {
                ASSERT_EQ(r, d) << "a = 0 keeps d; s " << s;
            } else if (a == 255) {
                ASSERT_EQ(r, s) << "a = 255 gives s; d " << d;
            } else if (a == 128 && s == 255 && d == 0) {
                ASSERT_EQ(r, 128u);
            } else if (a == 64 && s == 200 && d == 100) {
                ASSERT_EQ(r, 125u);
            }
        }
        ASSERT_EQ(after[4 * i + 3], before[4 * i + 3]) << "fourth byte of pixel " << i;
    }
}

TEST(BlendRowEveryTriple, BgrAlphaVariantsMatchTheReference) {
    const Bytes bgr = PairBgr();
    for (int row = 0; row < 256; ++row) {
        const Bytes alpha = PairAlpha(row);
        const Bytes before = PairSurface(row);
        Bytes expected = before;
        ReferenceBlendRows().bgrAlpha(expected.data(), bgr.data(), alpha.data(), kPairs);
        ASSERT_NO_FATAL_FAILURE(ExpectFixedPoints(before, expected, bgr, row));
        for (const BlendRowKernels* k : FastKernels()) {
            Bytes surface = before;
            k->bgrAlpha(surface.data(), bgr.data(), alpha.data(), kPairs);
            ASSERT_EQ(FirstDifferentPixel(surface, expected), -1) << k->name << ", row " << row;
        }
    }
}

TEST(BlendRowEveryTriple, GreyAlphaVariantsMatchTheReference) {
    // The grey value is the high byte; blue and red meet it with the low byte, green with the
    // high byte ^ low byte, so each channel sees every (s, d) pair.
    Bytes grey(kPairs), bgr(kPairs * 3);
    for (int i = 0; i < kPairs; ++i) {
        grey[i] = static_cast<std::uint8_t>(High(i));
        for (int c = 0; c < 3; ++c) bgr[3 * i + c] = grey[i];
    }
    for (int row = 0; row < 256; ++row) {
        const Bytes alpha = PairAlpha(row);
        Bytes before = PairSurface(row);
        for (int i = 0; i < kPairs; ++i) before[4 * i + 1] = static_cast<std::uint8_t>(High(i) ^ Low(i));
        Bytes expected = before;
        ReferenceBlendRows().greyAlpha(expected.data(), grey.data(), alpha.data(), kPairs);
        ASSERT_NO_FATAL_FAILURE(ExpectFixedPoints(before, expected, bgr, row));
        for (const BlendRowKernels* k : FastKernels()) {
            Bytes surface = before;
            k->greyAlpha(surface.data(), grey.data(), alpha.data(), kPairs);
            ASSERT_EQ(FirstDifferentPixel(surface, expected), -1) << k->name << ", row " << row;
        }
    }
}

TEST(BlendRowEveryTriple, PaletteVariantsMatchTheReference) {
    // Palette p gives every index the blue p and the alpha of the index itself; the surface
    // blue runs through every value, so over the palettes blue meets every (s, d, a).
    Bytes indices(kPairs);
    for (int i = 0; i < kPairs; ++i) indices[i] = static_cast<std::uint8_t>(Low(i));
    const Bytes before = PairSurface(0);
    for (int p = 0; p < 256; ++p) {
        Bytes colours(256 * 4), alphaTable(256);
        for (int k = 0; k < 256; ++k) {
            colours[4 * k + 0] = static_cast<std::uint8_t>(p);
            colours[4 * k + 1] = static_cast<std::uint8_t>(k ^ p);
            colours[4 * k + 2] = static_cast<std::uint8_t>(255 - p);
            alphaTable[k] = static_cast<std::uint8_t>(k);
        }
        const BlendPalette palette = MakeBlendPalette(colours.data(), 256, alphaTable.data());
        Bytes surface = before;
        for (int i = 0; i < kPairs; ++i) surface[4 * i] = static_cast<std::uint8_t>(High(i));
        Bytes expected = surface;
        ReferenceBlendRows().palette(expected.data(), indices.data(), 8, palette, kPairs);
        for (const BlendRowKernels* k : FastKernels()) {
            Bytes got = surface;
            k->palette(got.data(), indices.data(), 8, palette, kPairs);
            ASSERT_EQ(FirstDifferentPixel(got, expected), -1) << k->name << ", palette " << p;
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Short rows: every tail length after the vector steps, rows starting at any byte of the source
// and at any pixel of the surface, and the surface beyond the row left alone. Buffers are cut to
// exactly what the row needs, so the sanitizer build sees any read past the end.

constexpr int kMaxShortWidth = 70;
constexpr int kGuardPixels = 3;

struct ShortRow {
    Bytes surface;  // start offset + width + guard pixels
    int surfaceOffset;
};

ShortRow MakeSurface(std::mt19937& random, int width, int surfaceOffset) {
    return {RandomBytes(random, 4 * (surfaceOffset + width + kGuardPixels)), surfaceOffset};
}

// Runs `blend` on every kernel and compares with the reference's result; the reference must
// leave everything outside the row as it was.
template <typename Blend>
void ExpectAllKernelsAgree(const ShortRow& row, int width, Blend blend, const std::string& what) {
    Bytes expected = row.surface;
    blend(ReferenceBlendRows(), expected.data() + 4 * row.surfaceOffset);
    const std::size_t rowStart = 4 * row.surfaceOffset, rowEnd = 4 * (row.surfaceOffset + width);
    for (std::size_t i = 0; i < expected.size(); ++i)
        if (i < rowStart || i >= rowEnd || i % 4 == 3) {
            ASSERT_EQ(expected[i], row.surface[i]) << what << ": byte " << i << " outside the row's colours";
        }
    for (const BlendRowKernels* k : FastKernels()) {
        Bytes surface = row.surface;
        blend(*k, surface.data() + 4 * row.surfaceOffset);
        ASSERT_EQ(FirstDifferentPixel(surface, expected), -1) << k->name << ": " << what;
    }
}

TEST(BlendRowShortRows, BgrAndGreyRowsOfEveryWidth) {
    std::mt19937 random(7);
    for (int width = 0; width <= kMaxShortWidth; ++width) {
        for (int offset = 0; offset < 4; ++offset) {
            const std::string what = "width " + std::to_string(width) + ", offset " + std::to_string(offset);
            const ShortRow row = MakeSurface(random, width, offset);
            // The source starts `offset` bytes into its buffer: 24-bit rows need not be aligned.
            const Bytes bgr = RandomBytes(random, offset + 3 * width);
            const Bytes grey = RandomBytes(random, offset + width);
            const Bytes alpha = RandomBytes(random, offset + width);
            ExpectAllKernelsAgree(
                row, width,
                [&](const BlendRowKernels& k, std::uint8_t* s) {
                    k.bgrAlpha(s, bgr.data() + offset, alpha.data() + offset, width);
                },
                "bgr " + what);
            ExpectAllKernelsAgree(
                row, width,
                [&](const BlendRowKernels& k, std::uint8_t* s) {
                    k.greyAlpha(s, grey.data() + offset, alpha.data() + offset, width);
                },
                "grey " + what);
        }
    }
}

TEST(BlendRowShortRows, RunsOfTransparentAndOpaquePixels) {
    // The vector blends cut short steps whose pixels are all transparent or all opaque; runs of
    // every length up to 40 start, end and straddle their steps here.
    std::mt19937 random(5);
    for (int trial = 0; trial < 400; ++trial) {
        const int width = 1 + static_cast<int>(random() % 150);
        Bytes alpha(width);
        for (int x = 0; x < width;) {
            const int length = 1 + static_cast<int>(random() % 40);
            const unsigned kind = random() % 3;
            for (int i = 0; i < length && x < width; ++i, ++x)
                alpha[x] = kind == 0 ? 0 : kind == 1 ? 255 : static_cast<std::uint8_t>(random());
        }
        const std::string what = "trial " + std::to_string(trial) + ", width " + std::to_string(width);
        const ShortRow row = MakeSurface(random, width, 0);
        const Bytes bgr = RandomBytes(random, 3 * width);
        const Bytes grey = RandomBytes(random, width);
        ExpectAllKernelsAgree(
            row, width,
            [&](const BlendRowKernels& k, std::uint8_t* s) {
                k.bgrAlpha(s, bgr.data(), alpha.data(), width);
            },
            "bgr " + what);
        ExpectAllKernelsAgree(
            row, width,
            [&](const BlendRowKernels& k, std::uint8_t* s) {
                k.greyAlpha(s, grey.data(), alpha.data(), width);
            },
            "grey " + what);
    }
}

TEST(BlendRowShortRows, PackedPaletteRowsDrawExactlyTheirWidth) {
    std::mt19937 random(11);
    const Bytes colours = RandomBytes(random, 256 * 4);
    const Bytes alphaTable = RandomBytes(random, 256);
    const BlendPalette palette = MakeBlendPalette(colours.data(), 200, alphaTable.data());
    for (int bits : {1, 4, 8}) {
        for (int width = 0; width <= kMaxShortWidth; ++width) {
            const std::string what = std::to_string(bits) + "-bit width " + std::to_string(width);
            const ShortRow row = MakeSurface(random, width, 1);
            // Random spare bits in the last byte: drawing them would show beyond the row.
            const Bytes indices = RandomBytes(random, (static_cast<std::size_t>(width) * bits + 7) / 8);
            ExpectAllKernelsAgree(
                row, width,
                [&](const BlendRowKernels& k, std::uint8_t* s) {
                    k.palette(s, indices.data(), bits, palette, width);
                },
                what);
        }
    }
}

TEST(BlendRowShortRows, OtherBitCountsDrawNothing) {
    std::mt19937 random(3);
    const Bytes colours = RandomBytes(random, 256 * 4), alphaTable(256, 255);
    const BlendPalette palette = MakeBlendPalette(colours.data(), 256, alphaTable.data());
    const Bytes indices = RandomBytes(random, 64);
    for (int bits : {0, 2, 16, 24, 32}) {
        for (const BlendRowKernels* k : AllKernels()) {
            const Bytes before = RandomBytes(random, 4 * 16);
            Bytes surface = before;
            k->palette(surface.data(), indices.data(), bits, palette, 16);
            EXPECT_EQ(surface, before) << k->name << ", " << bits << " bits";
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Packed palette rows by hand: which index each pixel reads.

struct PackedCase {
    const char* name;
    int bits;
    Bytes indices;
    std::vector<int> expected;  // palette index drawn at each pixel
};

void PrintTo(const PackedCase& c, std::ostream* os) { *os << c.name; }

class PackedPaletteRows : public testing::TestWithParam<PackedCase> {};

TEST_P(PackedPaletteRows, PixelsReadTheirIndexMostSignificantBitsFirst) {
    const PackedCase& c = GetParam();
    // Index i is opaque with blue i and green 255 - i, so the drawn colour names the index.
    Bytes colours(256 * 4, 0);
    for (int i = 0; i < 256; ++i) {
        colours[4 * i] = static_cast<std::uint8_t>(i);
        colours[4 * i + 1] = static_cast<std::uint8_t>(255 - i);
    }
    const BlendPalette palette = MakeBlendPalette(colours.data(), 256, Bytes(256, 255).data());
    const int width = static_cast<int>(c.expected.size());
    for (const BlendRowKernels* k : AllKernels()) {
        Bytes surface(4 * (width + 1), 0xEE);
        k->palette(surface.data(), c.indices.data(), c.bits, palette, width);
        for (int x = 0; x < width; ++x) {
            EXPECT_EQ(surface[4 * x], c.expected[x]) << k->name << " pixel " << x;
            EXPECT_EQ(surface[4 * x + 1], 255 - c.expected[x]) << k->name << " pixel " << x;
            EXPECT_EQ(surface[4 * x + 3], 0xEE) << k->name << " fourth byte of pixel " << x;
        }
        for (int i = 4 * width; i < 4 * (width + 1); ++i) EXPECT_EQ(surface[i], 0xEE) << k->name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PackedPaletteRows,
    testing::Values(PackedCase{"OneBit", 1, {0b10110010, 0b01000000}, {1, 0, 1, 1, 0, 0, 1, 0, 0, 1}},
                    PackedCase{"FourBitOddWidth", 4, {0x3A, 0xF0, 0x7C}, {3, 10, 15, 0, 7}},
                    PackedCase{"EightBit", 8, {0, 255, 17}, {0, 255, 17}}),
    [](const testing::TestParamInfo<PackedCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------------
// The palette as the blend sees it.

TEST(BlendPalette, IndicesAtOrBeyondTheCountAreBlackWithTheirOwnAlpha) {
    Bytes colours(256 * 4);
    Bytes alphaTable(256);
    for (int i = 0; i < 256; ++i) {
        colours[4 * i + 0] = static_cast<std::uint8_t>(10 + i);
        colours[4 * i + 1] = static_cast<std::uint8_t>(20 + i);
        colours[4 * i + 2] = static_cast<std::uint8_t>(30 + i);
        colours[4 * i + 3] = 0x99;  // reserved byte of the colour table: never used
        alphaTable[i] = static_cast<std::uint8_t>(255 - i);
    }
    const BlendPalette palette = MakeBlendPalette(colours.data(), 16, alphaTable.data());
    for (int i = 0; i < 256; ++i) {
        const std::uint8_t* e = palette.bgra[i];
        if (i < 16) {
            EXPECT_EQ(e[0], 10 + i);
            EXPECT_EQ(e[1], 20 + i);
            EXPECT_EQ(e[2], 30 + i);
        } else {
            EXPECT_EQ(e[0] | e[1] | e[2], 0) << "index " << i;
        }
        EXPECT_EQ(e[3], 255 - i) << "index " << i;
    }
}

TEST(BlendPalette, RowIndexBeyondTheCountBlendsBlackWithTheTablesAlpha) {
    // Two colours; index 7 is beyond them, with alpha 128, drawn over white:
    // (0 * 128 + 127 * 255 + 255) >> 8 = 127 in every channel.
    const Bytes colours{50, 60, 70, 0, 80, 90, 100, 0};
    Bytes alphaTable(256, 255);
    alphaTable[7] = 128;
    const BlendPalette palette = MakeBlendPalette(colours.data(), 2, alphaTable.data());
    const Bytes indices{7, 1};
    for (const BlendRowKernels* k : AllKernels()) {
        Bytes surface{255, 255, 255, 255, 1, 2, 3, 4};
        k->palette(surface.data(), indices.data(), 8, palette, 2);
        EXPECT_EQ(surface, (Bytes{127, 127, 127, 255, 80, 90, 100, 4})) << k->name;
    }
}

TEST(BlendRows, ChoosesTheWidestVariantThisCpuRuns) {
    const BlendRowKernels* expected = Avx2BlendRows();
    if (!expected) expected = Ssse3BlendRows();
    if (!expected) expected = Sse2BlendRows();
    if (!expected) expected = &ReferenceBlendRows();
    EXPECT_EQ(&BlendRows(), expected) << BlendRows().name;
    // The log says which vector blends this machine held to the reference.
    std::printf("[ blends   ] chosen: %s; tested:", BlendRows().name);
    for (const BlendRowKernels* k : FastKernels()) std::printf(" %s", k->name);
    std::printf("\n");
}

}  // namespace
}  // namespace tevpng
