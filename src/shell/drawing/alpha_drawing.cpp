#include "drawing/alpha_drawing.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#include "codec/blend_row.h"
#include "codec/png_image.h"
#include "codec/transparency.h"
#include "win32/handles.h"

namespace tevpng {

namespace {

using win32::BitmapHandle;
using win32::MemoryDc;
using win32::SelectInto;
using win32::Selection;

const BITMAPINFO* AsBitmapInfo(const DibInfo& info) { return reinterpret_cast<const BITMAPINFO*>(&info); }

// A 32-bit top-down DIB section of the image's size in its own memory DC: the
// surface the host's pixels are captured into and blended on.
class BlendSurface {
public:
    BlendSurface(int width, int height) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        dc_.Reset(CreateCompatibleDC(nullptr));
        if (!dc_) return;
        void* bits = nullptr;
        bitmap_.Reset(CreateDIBSection(dc_.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        if (!bitmap_ || !bits) return;
        bits_ = static_cast<std::uint8_t*>(bits);
        selection_ = SelectInto(dc_.Get(), bitmap_.Get());
    }

    bool Valid() const { return bits_ != nullptr; }
    HDC Dc() const { return dc_.Get(); }
    std::uint8_t* Row(int y, int width) const { return bits_ + static_cast<std::size_t>(y) * width * 4; }

private:
    MemoryDc dc_;
    BitmapHandle bitmap_;
    Selection selection_;  // destroyed first: the section leaves the DC before it is deleted
    std::uint8_t* bits_ = nullptr;
};

const AlphaChunk* AlphaChunkOf(const PngImage& image) {
    const PngChunk* chunk = image.FindChunk("tRNS");
    return chunk ? chunk->As<AlphaChunk>() : nullptr;
}

// Colour and alpha of every palette index for a partially transparent palette image.
BlendPalette PaletteForBlending(const PngImage& image, const HeaderChunk& header) {
    const PngChunk* chunk = image.FindChunk("PLTE");
    const PaletteChunk* palette = chunk ? chunk->As<PaletteChunk>() : nullptr;
    const AlphaChunk* alpha = AlphaChunkOf(image);
    std::array<std::uint8_t, 256> opaque;
    opaque.fill(255);
    return MakeBlendPalette(reinterpret_cast<const std::uint8_t*>(header.BitmapInfo.bmiColors),
                            palette ? palette->Count : 0, alpha ? alpha->AlphaTable.data() : opaque.data());
}

// Blends every image row into the surface: surface row r pairs with image row r,
// which is DIB row H - 1 - r in memory, and with alpha row r.
void BlendImageOver(const PngImage& image, const HeaderChunk& header, const BlendSurface& surface) {
    const int width = header.Width;
    const int height = header.Height;
    const int bits = header.BitmapInfo.bmiHeader.biBitCount;
    const BlendRowKernels& kernels = BlendRows();
    const std::uint8_t* alphaPlane = header.AlphaPlane();
    const bool greyWithAlpha = header.ColorType == kColorTypeGreyAlpha;

    if (bits == 24 && alphaPlane) {
        for (int r = 0; r < height; ++r) {
            const std::uint8_t* row = header.DibRow(r);
            kernels.bgrAlpha(surface.Row(r, width), row, alphaPlane + static_cast<std::size_t>(r) * width,
                             width);
        }
    } else if ((bits == 1 || bits == 4 || bits == 8) && greyWithAlpha) {
        if (bits != 8 || !alphaPlane) return;  // grey with alpha is always held at 8 bits
        for (int r = 0; r < height; ++r) {
            const std::uint8_t* row = header.DibRow(r);
            kernels.greyAlpha(surface.Row(r, width), row, alphaPlane + static_cast<std::size_t>(r) * width,
                              width);
        }
    } else if (bits == 1 || bits == 4 || bits == 8) {
        const BlendPalette palette = PaletteForBlending(image, header);
        for (int r = 0; r < height; ++r) {
            const std::uint8_t* row = header.DibRow(r);
            kernels.palette(surface.Row(r, width), row, bits, palette, width);
        }
    }
    // Any other format: the captured pixels go back unchanged.
}

// Clamps a 64-bit coordinate into what GDI takes.
std::int32_t ToInt32(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, INT32_MIN, INT32_MAX));
}

}  // namespace

COLORREF ColorToRGB(std::uint32_t color) {
    if (color & 0x80000000u) return GetSysColor(static_cast<int>(color & 0x7F));
    return static_cast<COLORREF>(color);
}

void DrawImage(const PngImage& image, HDC dc, std::int32_t x, std::int32_t y, std::int32_t rightLimit,
               std::int32_t bottomLimit, std::uint32_t keyColor) {
    if (!image.Header()) return;
    const HeaderChunk* header = image.ImageHeader();
    // An image whose pixels were never made (a failed load) has nothing to draw.
    if (!header || !header->PixelBits() || header->Width <= 0 || header->Height <= 0) return;
    if (!dc) return;

    if (TransparencyModeOf(image) == TransparencyMode::TransparencyPartial) {
        DrawWithAlpha(image, dc, x, y);
        return;
    }
    RECT target;
    target.left = x;
    target.top = y;
    target.right = ToInt32(std::min<std::int64_t>(std::int64_t{x} + header->Width, rightLimit));
    target.bottom = ToInt32(std::min<std::int64_t>(std::int64_t{y} + header->Height, bottomLimit));
    DrawWithColorKey(dc, header->PixelBits(), header->BitmapInfo, target, ColorToRGB(keyColor));
}

void DrawWithAlpha(const PngImage& image, HDC dc, std::int32_t left, std::int32_t top) {
    const HeaderChunk* header = image.ImageHeader();
    if (!header || !header->PixelBits()) return;
    const int width = header->Width;
    const int height = header->Height;
    BlendSurface surface(width, height);
    if (!surface.Valid()) return;

    StretchBlt(surface.Dc(), 0, 0, width, height, dc, left, top, width, height, SRCCOPY);
    GdiFlush();  // the capture must be in the section before the CPU reads it
    BlendImageOver(image, *header, surface);
    StretchBlt(dc, left, top, width, height, surface.Dc(), 0, 0, width, height, SRCCOPY);
}

void DrawWithColorKey(HDC dc, const void* pixelBits, const DibInfo& info, const RECT& target,
                      COLORREF keyColor) {
    const int targetWidth = target.right - target.left;
    const int targetHeight = target.bottom - target.top;
    // A rectangle clipped away to nothing draws nothing.
    if (targetWidth <= 0 || targetHeight <= 0) return;
    const int sourceWidth = std::abs(info.bmiHeader.biWidth);
    const int sourceHeight = std::abs(info.bmiHeader.biHeight);

    // 1. The image as a device-dependent bitmap in a DC like the destination.
    MemoryDc sourceDc(CreateCompatibleDC(dc));
    BitmapHandle image(CreateDIBitmap(dc, reinterpret_cast<const BITMAPINFOHEADER*>(&info.bmiHeader),
                                      CBM_INIT, pixelBits, AsBitmapInfo(info), DIB_RGB_COLORS));
    const Selection imageSelection = SelectInto(sourceDc.Get(), image.Get());

    // 2. The inverse mask, the mask and the work surface, all of the target's size.
    MemoryDc inverseMaskDc(CreateCompatibleDC(dc));
    MemoryDc maskDc(CreateCompatibleDC(dc));
    MemoryDc workDc(CreateCompatibleDC(dc));
    BitmapHandle inverseMask(CreateBitmap(targetWidth, targetHeight, 1, 1, nullptr));
    BitmapHandle mask(CreateBitmap(targetWidth, targetHeight, 1, 1, nullptr));
    BitmapHandle work(CreateCompatibleBitmap(dc, targetWidth, targetHeight));
    const Selection inverseMaskSelection = SelectInto(inverseMaskDc.Get(), inverseMask.Get());
    const Selection maskSelection = SelectInto(maskDc.Get(), mask.Get());
    const Selection workSelection = SelectInto(workDc.Get(), work.Get());

    // 3-5. Colour to monochrome: 1 where the image has the key colour.
    const COLORREF oldBackground = SetBkColor(sourceDc.Get(), keyColor);
    StretchBlt(maskDc.Get(), 0, 0, targetWidth, targetHeight, sourceDc.Get(), 0, 0, sourceWidth, sourceHeight,
               SRCCOPY);
    SetBkColor(sourceDc.Get(), oldBackground);

    // 6-8. The background survives only under key-coloured pixels.
    BitBlt(inverseMaskDc.Get(), 0, 0, targetWidth, targetHeight, maskDc.Get(), 0, 0, NOTSRCCOPY);
    BitBlt(workDc.Get(), 0, 0, targetWidth, targetHeight, dc, target.left, target.top, SRCCOPY);
    BitBlt(workDc.Get(), 0, 0, targetWidth, targetHeight, maskDc.Get(), 0, 0, SRCAND);

    // 9-11. Key-coloured image pixels become black, the image is laid over, the result goes out.
    StretchBlt(sourceDc.Get(), 0, 0, sourceWidth, sourceHeight, inverseMaskDc.Get(), 0, 0, targetWidth,
               targetHeight, SRCAND);
    StretchBlt(workDc.Get(), 0, 0, targetWidth, targetHeight, sourceDc.Get(), 0, 0, sourceWidth, sourceHeight,
               SRCPAINT);
    BitBlt(dc, target.left, target.top, targetWidth, targetHeight, workDc.Get(), 0, 0, SRCCOPY);
    // 12. The selections are undone the old objects, then bitmaps and DCs are deleted in reverse order.
}

}  // namespace tevpng
