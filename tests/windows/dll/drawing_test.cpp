// Draw through the exports onto a 32-bit DIB-section DC: the per-pixel blend for
// every source format, the colour-key path, and no GDI object left behind.
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dib_surface.h"
#include "files.h"
#include "gdi_accounting.h"
#include "host_page.h"
#include "plugin_dll.h"
#include "png_builder.h"

namespace tevtest {
namespace {

struct Rgba {
    std::uint8_t r, g, b, a;
};

// A PNG made for a test together with what every pixel must blend as.
struct TestImage {
    int width;
    int height;
    Bytes png;
    std::vector<Rgba> pixels;  // top row first
    Rgba At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

Rgba Pattern(int x, int y) {
    return {static_cast<std::uint8_t>(x * 37 + y * 11), static_cast<std::uint8_t>(x * 5 + y * 71),
            static_cast<std::uint8_t>(x * x + y), static_cast<std::uint8_t>(x * 53 + y * 29)};
}

// Colour type 6 or 4 at depth 8 or 16; 16-bit samples get a low byte the blend must ignore.
// A grey image with a gAMA chunk gets a gamma ramp in its colour table, which the blend of
// its raw samples must not consult.
TestImage WithAlphaChannel(int width, int height, int colorType, int depth, std::uint32_t gamma = 0) {
    TestImage image{width, height, {}, {}};
    std::vector<Bytes> rows;
    for (int y = 0; y < height; ++y) {
        Bytes row;
        for (int x = 0; x < width; ++x) {
            Rgba p = Pattern(x, y);
            if (x == 0) p.a = 0;
            if (x == 1) p.a = 255;
            if (colorType == 4) p.g = p.b = p.r;
            image.pixels.push_back(p);
            const std::vector<std::uint8_t> samples =
                colorType == 6 ? std::vector<std::uint8_t>{p.r, p.g, p.b, p.a} : std::vector<std::uint8_t>{p.r, p.a};
            for (std::uint8_t sample : samples) {
                row.push_back(sample);
                if (depth == 16) row.push_back(0x5A);
            }
        }
        rows.push_back(row);
    }
    PngBytes png = PngBytes::Start(width, height, depth, colorType);
    if (gamma != 0) {
        Bytes value;
        AppendBigEndian32(value, gamma);
        png.Chunk("gAMA", value);
    }
    image.png = png.Idat(Zlib(FilteredRows(rows))).Iend().bytes();
    return image;
}

// A palette image of `depth` bits with `paletteCount` colours and a tRNS of
// `alphaCount` varied entries: indices beyond the palette blend black, beyond
// the tRNS opaque.
TestImage PaletteWithPartialAlpha(int width, int height, int depth, int paletteCount, int alphaCount) {
    TestImage image{width, height, {}, {}};
    Bytes plte, trns;
    std::vector<Rgba> colours;
    for (int i = 0; i < paletteCount; ++i) {
        Rgba c{static_cast<std::uint8_t>(i * 40 + 7), static_cast<std::uint8_t>(255 - i * 3),
               static_cast<std::uint8_t>(i * 91), 0};
        colours.push_back(c);
        plte.insert(plte.end(), {c.r, c.g, c.b});
    }
    for (int i = 0; i < alphaCount; ++i) trns.push_back(static_cast<std::uint8_t>(i * 67 + 3));
    const int levels = 1 << depth;
    std::vector<Bytes> rows;
    for (int y = 0; y < height; ++y) {
        Bytes row((width * depth + 7) / 8, 0);
        for (int x = 0; x < width; ++x) {
            const int index = (x * 3 + y * 5) % levels;
            const int shift = 8 - depth - (x * depth) % 8;
            row[(x * depth) / 8] |= static_cast<std::uint8_t>(index << shift);
            Rgba p = index < paletteCount ? colours[index] : Rgba{0, 0, 0, 0};
            p.a = index < alphaCount ? trns[index] : 255;
            image.pixels.push_back(p);
        }
        rows.push_back(row);
    }
    image.png = PngBytes::Start(width, height, depth, 3)
                    .Chunk("PLTE", plte)
                    .Chunk("tRNS", trns)
                    .Idat(Zlib(FilteredRows(rows)))
                    .Iend()
                    .bytes();
    return image;
}

// An opaque RGB image given pixel by pixel.
TestImage OpaqueRgb(int width, int height, const std::function<Rgba(int, int)>& colour) {
    TestImage image{width, height, {}, {}};
    std::vector<Bytes> rows;
    for (int y = 0; y < height; ++y) {
        Bytes row;
        for (int x = 0; x < width; ++x) {
            Rgba p = colour(x, y);
            p.a = 255;
            image.pixels.push_back(p);
            row.insert(row.end(), {p.r, p.g, p.b});
        }
        rows.push_back(row);
    }
    image.png = PngBytes::Start(width, height, 8, 2).Idat(Zlib(FilteredRows(rows))).Iend().bytes();
    return image;
}

std::uint32_t Background(int x, int y) {
    return 0xC3000000u | static_cast<std::uint32_t>((x * 7) & 255) << 16 |
           static_cast<std::uint32_t>((y * 13) & 255) << 8 | static_cast<std::uint32_t>(((x + y) * 3) & 255);
}

std::uint32_t Blend(Rgba s, std::uint32_t d) {
    auto channel = [&](std::uint32_t sv, int shift) {
        const std::uint32_t dv = (d >> shift) & 255;
        return ((sv * s.a + (255 - s.a) * dv + 255) >> 8) << shift;
    };
    return (d & 0xFF000000u) | channel(s.r, 16) | channel(s.g, 8) | channel(s.b, 0);
}

class Drawing : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dll.Loaded());
        dll.SetParentWindow(page->Window());
    }
    void TearDown() override { RemoveFile(path); }

    void Load(const TestImage& image) {
        WriteFileBytes(path, std::string(image.png.begin(), image.png.end()));
        dll.SetFile(path.c_str());
        dll.loadpng();
    }

    PluginDll dll;
    std::unique_ptr<HostPage> page = HostPage::ChildOfParent();
    std::string path = TempDirectory() + "tevpng-drawing-test.png";
};

struct BlendCase {
    const char* name;
    std::function<TestImage()> make;
    int left;
    int top;
};

class AlphaBlend : public Drawing, public testing::WithParamInterface<BlendCase> {};

TEST_P(AlphaBlend, EveryPixelFollowsTheFormulaAndNothingElseChanges) {
    const BlendCase& c = GetParam();
    const TestImage image = c.make();
    Load(image);
    DibSurface surface(image.width + 8, image.height + 6);
    surface.Fill(Background);
    // Limits smaller than the image: a partially transparent image is still drawn whole.
    EXPECT_EQ(dll.Draw(surface.Dc(), c.left, c.top, 1, 1), 0);
    int mismatches = 0;
    for (int y = 0; y < surface.Height(); ++y) {
        for (int x = 0; x < surface.Width(); ++x) {
            const int ix = x - c.left, iy = y - c.top;
            const bool inside = ix >= 0 && iy >= 0 && ix < image.width && iy < image.height;
            const std::uint32_t expected = inside ? Blend(image.At(ix, iy), Background(x, y)) : Background(x, y);
            if (surface.Pixel(x, y) != expected && ++mismatches <= 5)
                ADD_FAILURE() << "pixel (" << x << "," << y << ") is " << std::hex << surface.Pixel(x, y)
                              << ", expected " << expected;
        }
    }
    EXPECT_EQ(mismatches, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, AlphaBlend,
    testing::Values(BlendCase{"Rgba8", [] { return WithAlphaChannel(7, 5, 6, 8); }, 3, 2},
                    BlendCase{"Rgba16", [] { return WithAlphaChannel(5, 3, 6, 16); }, 1, 1},
                    BlendCase{"GreyAlpha8", [] { return WithAlphaChannel(9, 4, 4, 8); }, 4, 3},
                    BlendCase{"GreyAlpha16", [] { return WithAlphaChannel(3, 3, 4, 16); }, 2, 0},
                    BlendCase{"GreyAlphaWithGammaRamp", [] { return WithAlphaChannel(9, 4, 4, 8, 30000); }, 1, 2},
                    BlendCase{"Palette1BitOddWidth", [] { return PaletteWithPartialAlpha(13, 3, 1, 2, 2); }, 3, 1},
                    BlendCase{"Palette2Bit", [] { return PaletteWithPartialAlpha(7, 4, 2, 3, 4); }, 2, 2},
                    BlendCase{"Palette4BitOddWidth", [] { return PaletteWithPartialAlpha(11, 5, 4, 12, 9); }, 1, 3},
                    BlendCase{"Palette8BitBeyondCount", [] { return PaletteWithPartialAlpha(33, 9, 8, 20, 30); }, 0, 0},
                    BlendCase{"PartlyOffTheSurface", [] { return WithAlphaChannel(7, 5, 6, 8); }, -3, -2}),
    [](const testing::TestParamInfo<BlendCase>& info) { return info.param.name; });

// What the colour-key path draws: the image where it differs from the key, the
// background where it equals it. Only colours are compared: GDI's copies need not
// keep the fourth byte.
void ExpectColourKeyed(const DibSurface& surface, const TestImage& image, int left, int top, COLORREF key) {
    const std::uint32_t keyRgb = (GetRValue(key) << 16) | (GetGValue(key) << 8) | GetBValue(key);
    int mismatches = 0;
    for (int y = 0; y < surface.Height(); ++y) {
        for (int x = 0; x < surface.Width(); ++x) {
            const int ix = x - left, iy = y - top;
            std::uint32_t expected = Background(x, y) & 0xFFFFFF;
            if (ix >= 0 && iy >= 0 && ix < image.width && iy < image.height) {
                const Rgba p = image.At(ix, iy);
                const std::uint32_t rgb = (p.r << 16) | (p.g << 8) | p.b;
                if (rgb != keyRgb) expected = rgb;
            }
            if ((surface.Pixel(x, y) & 0xFFFFFF) != expected && ++mismatches <= 5)
                ADD_FAILURE() << "pixel (" << x << "," << y << ") is " << std::hex << surface.Pixel(x, y)
                              << ", expected " << expected;
        }
    }
    EXPECT_EQ(mismatches, 0);
}

TEST_F(Drawing, OpaqueImageShowsTheBackgroundWhereItIsTheKeyColour) {
    const TestImage image = OpaqueRgb(6, 4, [](int x, int y) {
        return (x + y) % 3 == 0 ? Rgba{0, 0, 0, 0} : Rgba{static_cast<std::uint8_t>(40 * x + 1), 200, 9, 0};
    });
    Load(image);
    DibSurface surface(12, 10);
    surface.Fill(Background);
    dll.Draw(surface.Dc(), 2, 3, 100, 100);  // AlphaColor is 0: pure black is the key
    ExpectColourKeyed(surface, image, 2, 3, RGB(0, 0, 0));
}

TEST_F(Drawing, KeyWithBit31IsTheSystemColour) {
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    const TestImage image = OpaqueRgb(5, 5, [&](int x, int y) {
        if (x == y) return Rgba{GetRValue(window), GetGValue(window), GetBValue(window), 0};
        return x > y ? Rgba{0, 0, 0, 0} : Rgba{90, 30, 250, 0};
    });
    Load(image);
    dll.SetData(static_cast<std::int32_t>(0x80000000u | COLOR_WINDOW));
    dll.setalphacolor();
    EXPECT_EQ(static_cast<std::uint32_t>(dll.GetData()), 0x80000005u) << "stored unchanged";
    DibSurface surface(9, 9);
    surface.Fill(Background);
    dll.Draw(surface.Dc(), 1, 2, 100, 100);
    ExpectColourKeyed(surface, image, 1, 2, window);
}

TEST_F(Drawing, LimitsSmallerThanAnOpaqueImageSqueezeIt) {
    const TestImage image = OpaqueRgb(8, 8, [](int, int) { return Rgba{10, 200, 30, 0}; });
    Load(image);
    DibSurface surface(12, 12);
    surface.Fill(Background);
    dll.Draw(surface.Dc(), 1, 1, 4, 3);
    for (int y = 0; y < surface.Height(); ++y)
        for (int x = 0; x < surface.Width(); ++x) {
            const bool inside = x >= 1 && x < 5 && y >= 1 && y < 4;
            EXPECT_EQ(surface.Pixel(x, y) & 0xFFFFFF, inside ? 0x0AC81Eu : Background(x, y) & 0xFFFFFF)
                << x << "," << y;
        }
}

TEST_F(Drawing, EmptyOrNegativeRectanglesDrawNothing) {
    Load(OpaqueRgb(4, 4, [](int, int) { return Rgba{10, 200, 30, 0}; }));
    DibSurface surface(8, 8);
    surface.Fill(Background);
    for (auto [w, h] : {std::pair{0, 5}, {5, 0}, {-3, 5}, {5, -7}, {INT32_MIN, INT32_MIN}})
        EXPECT_EQ(dll.Draw(surface.Dc(), 1, 1, w, h), 0);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) EXPECT_EQ(surface.Pixel(x, y), Background(x, y)) << x << "," << y;
}

TEST_F(Drawing, FarCoordinatesDoNotOverflow) {
    Load(WithAlphaChannel(4, 4, 6, 8));
    DibSurface surface(8, 8);
    surface.Fill(Background);
    EXPECT_EQ(dll.Draw(surface.Dc(), INT32_MAX - 1, INT32_MAX - 1, INT32_MAX, INT32_MAX), 0);
    EXPECT_EQ(dll.Draw(surface.Dc(), INT32_MIN, INT32_MIN, -1, -1), 0);
    Load(OpaqueRgb(4, 4, [](int, int) { return Rgba{10, 200, 30, 0}; }));
    EXPECT_EQ(dll.Draw(surface.Dc(), INT32_MAX - 1, INT32_MAX - 1, INT32_MAX, INT32_MAX), 0);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) EXPECT_EQ(surface.Pixel(x, y), Background(x, y)) << x << "," << y;
}

TEST_F(Drawing, TenThousandDrawsLeaveNoGdiObjectBehind) {
    DibSurface surface(64, 48);
    surface.Fill(Background);
    GdiAccounting accounting(dll.Module());
    ASSERT_GT(accounting.RoutedFunctions(), 5);
    const TestImage blended = WithAlphaChannel(40, 30, 6, 8);
    const TestImage keyed = OpaqueRgb(40, 30, [](int x, int y) { return Pattern(x, y); });
    for (const TestImage* image : {&blended, &keyed}) {
        Load(*image);
        dll.Draw(surface.Dc(), 0, 0, 40, 30);  // the first Draw makes the shared timer window
        const std::size_t objects = accounting.LiveGdiObjects();
        const std::size_t windows = accounting.LiveWindows();
        const std::size_t creations = accounting.Creations();
        for (int i = 0; i < 5000; ++i) dll.Draw(surface.Dc(), i % 7, i % 5, 40, 30);
        EXPECT_GT(accounting.Creations(), creations + 5000) << "the draws made their surfaces";
        EXPECT_EQ(accounting.LiveGdiObjects(), objects);
        EXPECT_EQ(accounting.LiveWindowDcs(), 0u);
        EXPECT_EQ(accounting.LiveWindows(), windows);
    }
}

}  // namespace
}  // namespace tevtest
