#include <cstdint>
#include <cstdlib>

#include "png/pixel_memory.h"

namespace tevpng {

namespace {

// Rows start on a cache line, which the vector row code likes.
constexpr std::size_t kAlignment = 64;

}  // namespace

bool PixelMemory::Create(const DibInfo& /*info*/, std::size_t byteCount) {
    Release();
    if (byteCount > SIZE_MAX - kAlignment) return false;
    // calloc hands out fresh zero pages for large blocks, so zeroing costs nothing extra.
    void* block = std::calloc(byteCount + kAlignment, 1);
    if (block == nullptr) return false;
    auto address = reinterpret_cast<std::uintptr_t>(block);
    address = (address + kAlignment - 1) & ~static_cast<std::uintptr_t>(kAlignment - 1);
    block_ = block;
    bits_ = reinterpret_cast<std::uint8_t*>(address);
    return true;
}

void PixelMemory::Release() {
    std::free(block_);
    block_ = nullptr;
    bits_ = nullptr;
}

}  // namespace tevpng
