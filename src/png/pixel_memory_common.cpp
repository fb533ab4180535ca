#include <utility>

#include "png/pixel_memory.h"

namespace tevpng {

PixelMemory::PixelMemory(PixelMemory&& other) noexcept { Swap(other); }

PixelMemory& PixelMemory::operator=(PixelMemory&& other) noexcept {
    if (this != &other) {
        Release();
        Swap(other);
    }
    return *this;
}

void PixelMemory::Swap(PixelMemory& other) noexcept {
    std::swap(bits_, other.bits_);
    std::swap(bitmap_, other.bitmap_);
    std::swap(dc_, other.dc_);
    std::swap(block_, other.block_);
    std::swap(zeroed_, other.zeroed_);
}

}  // namespace tevpng
