#pragma once

#include <cstdint>

namespace tevpng {

class PngImage;

// How an image is drawn: partial transparency is blended pixel by pixel; the
// other two go through a colour-key mask.
enum class TransparencyMode : std::uint8_t {
    TransparencyNone = 0,
    TransparencyBit = 1,
    TransparencyPartial = 2,
};

TransparencyMode TransparencyModeOf(const PngImage& image);

}  // namespace tevpng
