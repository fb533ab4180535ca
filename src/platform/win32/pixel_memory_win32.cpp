// The Windows side of the pixel memory seam: a DIB section, so GDI can draw the pixels.
#include <windows.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "codec/pixel_memory.h"
#include "win32/handles.h"

namespace tevpng {

static_assert(sizeof(DibInfoHeader) == sizeof(BITMAPINFOHEADER));
static_assert(offsetof(DibInfoHeader, biBitCount) == offsetof(BITMAPINFOHEADER, biBitCount));
static_assert(offsetof(DibInfoHeader, biClrImportant) == offsetof(BITMAPINFOHEADER, biClrImportant));
static_assert(sizeof(RgbQuad) == sizeof(RGBQUAD));
static_assert(offsetof(DibInfo, bmiColors) == offsetof(BITMAPINFO, bmiColors));

bool PixelMemory::Create(const DibInfo& info, std::size_t byteCount, bool zeroed) {
    Release();
    win32::MemoryDc dc(CreateCompatibleDC(nullptr));
    if (!dc) return false;
    void* bits = nullptr;
    win32::BitmapHandle bitmap(
        CreateDIBSection(dc.Get(), reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap || bits == nullptr) return false;
    // From here on Release gives them back.
    dc_ = dc.Release();
    bitmap_ = bitmap.Release();
    bits_ = static_cast<std::uint8_t*>(bits);
    // The system gives a section zero pages; without relying on that, zero it when asked.
    if (zeroed) std::memset(bits_, 0, byteCount);
    zeroed_ = zeroed;
    return true;
}

void PixelMemory::Release() {
    // PixelMemory is these handles' owner; this is the one place that closes them.
    if (bitmap_ != nullptr) DeleteObject(static_cast<HBITMAP>(bitmap_));
    if (dc_ != nullptr) DeleteDC(static_cast<HDC>(dc_));
    std::free(block_);  // plain memory (CreatePlain)
    bitmap_ = nullptr;
    dc_ = nullptr;
    bits_ = nullptr;
    block_ = nullptr;
    zeroed_ = false;
}

}  // namespace tevpng
