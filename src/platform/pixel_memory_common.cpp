#include <cstdint>
#include <cstdlib>
#include <utility>

#include "codec/pixel_memory.h"

namespace tevpng {

namespace {

// Rows start on a cache line, which the vector row code likes.
constexpr std::size_t kAlignment = 64;
// From this size on, the C library always maps fresh pages (glibc's largest mmap threshold).
constexpr std::size_t kFreshPagesSize = 32u * 1024 * 1024;

}  // namespace

bool PixelMemory::CreatePlain(std::size_t byteCount, bool zeroed) {
    Release();
    if (byteCount > SIZE_MAX - kAlignment) return false;
    // Large blocks come as fresh zero pages from the system: zeroed at no cost, and pages
    // nobody writes are never touched.
    zeroed = zeroed || byteCount >= kFreshPagesSize;
    void* block = zeroed ? std::calloc(byteCount + kAlignment, 1) : std::malloc(byteCount + kAlignment);
    if (block == nullptr) return false;
    auto address = reinterpret_cast<std::uintptr_t>(block);
    address = (address + kAlignment - 1) & ~static_cast<std::uintptr_t>(kAlignment - 1);
    block_.reset(block);
    bits_ = reinterpret_cast<std::uint8_t*>(address);
    zeroed_ = zeroed;
    return true;
}

void PixelMemory::Release() {
    system_.reset();
    block_.reset();
    bits_ = nullptr;
    zeroed_ = false;
}

void PixelMemory::FreeBlock::operator()(void* block) const { std::free(block); }

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
    std::swap(system_, other.system_);
    std::swap(block_, other.block_);
    std::swap(zeroed_, other.zeroed_);
}

}  // namespace tevpng
