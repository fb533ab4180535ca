// DIB bitmaps: header, row sizes, bottom-up scan lines, the section and its canvas.
#include "ui/dib_bitmap.h"

#include <gtest/gtest.h>

#include <cstring>

#include "dib_surface.h"

namespace tevpng::ui {
namespace {

struct RowCase {
    int width;
    DibFormat format;
    int bitCount;
    size_t rowSize;
};

TEST(DibBitmap, HeaderAndRowSizeFollowThePixelFormat) {
    const RowCase cases[] = {
        {3, DibFormat::Bits32, 32, 12}, {3, DibFormat::Bits24, 24, 12}, {1, DibFormat::Bits1, 1, 4},
        {33, DibFormat::Bits1, 1, 8},   {9, DibFormat::Bits4, 4, 8},    {5, DibFormat::Bits8, 8, 8},
        {3, DibFormat::Bits15, 16, 8},  {3, DibFormat::Bits16, 16, 8},  {3, DibFormat::Device, 32, 12},
        {3, DibFormat::Custom, 32, 12},
    };
    for (const RowCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "width " << c.width << " format " << static_cast<int>(c.format));
        DibBitmap bitmap(c.width, 2, c.format);
        EXPECT_EQ(bitmap.RowSize(), c.rowSize);
        const BITMAPINFOHEADER& header = bitmap.Info()->bmiHeader;
        EXPECT_EQ(header.biSize, 40u);
        EXPECT_EQ(header.biWidth, c.width);
        EXPECT_EQ(header.biHeight, 2);  // positive: bottom-up
        EXPECT_EQ(header.biPlanes, 1);
        EXPECT_EQ(header.biBitCount, c.bitCount);
        EXPECT_EQ(header.biCompression, c.format == DibFormat::Bits16 ? DWORD{BI_BITFIELDS} : DWORD{BI_RGB});
        EXPECT_EQ(bitmap.ScanLine(0) - bitmap.ScanLine(1), static_cast<ptrdiff_t>(c.rowSize));
    }
}

TEST(DibBitmap, SixteenBitPixelsUseTheFiveSixFiveMasks) {
    DibBitmap bitmap(4, 1, DibFormat::Bits16);
    const auto* masks = reinterpret_cast<const DWORD*>(bitmap.Info()->bmiColors);
    EXPECT_EQ(masks[0], 0xF800u);
    EXPECT_EQ(masks[1], 0x07E0u);
    EXPECT_EQ(masks[2], 0x001Fu);
}

TEST(DibBitmap, WidthOrHeightZeroGivesNoHeaderAndNoPixels) {
    for (auto [width, height] : {std::pair{0, 5}, std::pair{5, 0}, std::pair{0, 0}}) {
        DibBitmap bitmap(width, height);
        EXPECT_EQ(bitmap.Info(), nullptr);
        EXPECT_FALSE(bitmap.HasPixels());
        EXPECT_EQ(bitmap.ScanLine(0), nullptr);
        EXPECT_EQ(bitmap.Handle(), nullptr);
    }
}

TEST(DibBitmap, PixelsStartZeroAndScanLineZeroIsTheLastMemoryRow) {
    DibBitmap bitmap(3, 4, DibFormat::Bits32);
    for (int y = 0; y < 4; ++y)
        for (size_t i = 0; i < bitmap.RowSize(); ++i) ASSERT_EQ(bitmap.ScanLine(y)[i], 0) << y << " " << i;
    EXPECT_EQ(bitmap.ScanLine(4), nullptr);
    EXPECT_EQ(bitmap.ScanLine(-1), nullptr);
    bitmap.ScanLine(0)[0] = 0x11;  // written before the section exists
    bitmap.ScanLine(3)[0] = 0x33;

    HBITMAP handle = bitmap.Handle();
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(bitmap.Handle(), handle);
    DIBSECTION section{};
    ASSERT_EQ(GetObjectA(handle, sizeof section, &section), static_cast<int>(sizeof section));
    auto* memory = static_cast<std::uint8_t*>(section.dsBm.bmBits);
    EXPECT_EQ(bitmap.ScanLine(0), memory + 3 * bitmap.RowSize());
    EXPECT_EQ(bitmap.ScanLine(3), memory);
    EXPECT_EQ(memory[3 * bitmap.RowSize()], 0x11);  // the pixels moved into the section
    EXPECT_EQ(memory[0], 0x33);
}

TEST(DibBitmap, TheCanvasDrawsIntoTheScanLines) {
    DibBitmap bitmap(4, 3);
    HDC canvas = bitmap.Canvas();
    ASSERT_NE(canvas, nullptr);
    EXPECT_EQ(bitmap.Canvas(), canvas);
    SetPixelV(canvas, 1, 0, RGB(0x10, 0x20, 0x30));
    GdiFlush();
    const std::uint8_t* top = bitmap.ScanLine(0);
    EXPECT_EQ(top[4 + 0], 0x30);  // blue, green, red
    EXPECT_EQ(top[4 + 1], 0x20);
    EXPECT_EQ(top[4 + 2], 0x10);
}

// The background capture: copy another DC's pixels in, then out again.
TEST(DibBitmap, CapturesAndGivesBackPixelsThroughItsCanvas) {
    tevtest::DibSurface host(8, 6);
    host.Fill([](int x, int y) { return 0x00010000u * (x * 10) + 0x100u * (y * 10) + 7u; });
    DibBitmap capture(3, 2);
    ASSERT_TRUE(BitBlt(capture.Canvas(), 0, 0, 3, 2, host.Dc(), 4, 3, SRCCOPY));
    GdiFlush();
    std::uint32_t pixel = 0;
    std::memcpy(&pixel, capture.ScanLine(1) + 2 * 4, 4);
    EXPECT_EQ(pixel & 0xFFFFFF, host.Pixel(6, 4) & 0xFFFFFF);

    tevtest::DibSurface target(3, 2);
    ASSERT_TRUE(BitBlt(target.Dc(), 0, 0, 3, 2, capture.Canvas(), 0, 0, SRCCOPY));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(target.Pixel(x, y) & 0xFFFFFF, host.Pixel(4 + x, 3 + y) & 0xFFFFFF);
}

TEST(DibBitmap, PaletteFormatsStartWithAGreyRamp) {
    DibBitmap bitmap(8, 1, DibFormat::Bits1);
    const RGBQUAD* colors = bitmap.Info()->bmiColors;
    EXPECT_EQ(colors[0].rgbRed, 0);
    EXPECT_EQ(colors[1].rgbRed, 255);
    EXPECT_EQ(colors[1].rgbBlue, 255);
    EXPECT_NE(bitmap.Handle(), nullptr);
}

}  // namespace
}  // namespace tevpng::ui
