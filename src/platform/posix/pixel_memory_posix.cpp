#include "codec/pixel_memory.h"

#include <cstdlib>

namespace tevpng {

// Natively nothing draws the pixels: all pixel memory is plain.
bool PixelMemory::Create(const DibInfo& /*info*/, std::size_t byteCount, bool zeroed) {
    return CreatePlain(byteCount, zeroed);
}

void PixelMemory::Release() {
    std::free(block_);
    block_ = nullptr;
    bits_ = nullptr;
    zeroed_ = false;
}

}  // namespace tevpng
