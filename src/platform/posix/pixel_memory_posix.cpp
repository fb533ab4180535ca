#include "codec/pixel_memory.h"

namespace tevpng {

// Natively nothing draws the pixels: all pixel memory is plain, and no SystemPixels is
// ever made.
struct SystemPixels {};

void SystemPixelsDeleter::operator()(SystemPixels* pixels) const { delete pixels; }

bool PixelMemory::Create(const DibInfo& /*info*/, std::size_t byteCount, bool zeroed) {
    return CreatePlain(byteCount, zeroed);
}

void* PixelMemory::Bitmap() const { return nullptr; }
void* PixelMemory::Dc() const { return nullptr; }

}  // namespace tevpng
