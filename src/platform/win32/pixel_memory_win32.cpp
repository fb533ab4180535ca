// The Windows side of the pixel memory seam: a DIB section, so GDI can draw the pixels.
#include <windows.h>

#include <cstddef>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

#include "codec/pixel_memory.h"
#include "win32/handles.h"

namespace tevpng {

static_assert(sizeof(DibInfoHeader) == sizeof(BITMAPINFOHEADER));
static_assert(offsetof(DibInfoHeader, biBitCount) == offsetof(BITMAPINFOHEADER, biBitCount));
static_assert(offsetof(DibInfoHeader, biClrImportant) == offsetof(BITMAPINFOHEADER, biClrImportant));
static_assert(sizeof(RgbQuad) == sizeof(RGBQUAD));
static_assert(offsetof(DibInfo, bmiColors) == offsetof(BITMAPINFO, bmiColors));

struct SystemPixels {
    win32::MemoryDc dc;
    win32::BitmapHandle bitmap;  // not selected into dc
};

void SystemPixelsDeleter::operator()(SystemPixels* pixels) const { delete pixels; }

bool PixelMemory::Create(const DibInfo& info, std::size_t byteCount, bool zeroed) {
    Release();
    auto system = std::unique_ptr<SystemPixels, SystemPixelsDeleter>(new (std::nothrow) SystemPixels);
    if (!system) return false;
    system->dc.Reset(CreateCompatibleDC(nullptr));
    if (!system->dc) return false;
    void* bits = nullptr;
    system->bitmap.Reset(CreateDIBSection(system->dc.Get(), reinterpret_cast<const BITMAPINFO*>(&info),
                                          DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!system->bitmap || bits == nullptr) return false;
    system_ = std::move(system);
    bits_ = static_cast<std::uint8_t*>(bits);
    // The system gives a section zero pages; without relying on that, zero it when asked.
    if (zeroed) std::memset(bits_, 0, byteCount);
    zeroed_ = zeroed;
    return true;
}

void* PixelMemory::Bitmap() const { return system_ ? system_->bitmap.Get() : nullptr; }
void* PixelMemory::Dc() const { return system_ ? system_->dc.Get() : nullptr; }

}  // namespace tevpng
