#pragma once

// The byte-level facts of the PNG format and of the DIBs that hold its pixels, shared by
// the reader, the writer, the chunk kinds, the drawing and the resize.
#include <cstddef>
#include <cstdint>

namespace tevpng {

inline constexpr std::uint8_t kPngSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};

// Colour types as IHDR numbers them.
inline constexpr std::uint8_t kColorTypeGrey = 0;
inline constexpr std::uint8_t kColorTypeRgb = 2;
inline constexpr std::uint8_t kColorTypePalette = 3;
inline constexpr std::uint8_t kColorTypeGreyAlpha = 4;
inline constexpr std::uint8_t kColorTypeRgba = 6;

// Multi-byte integers in PNG are big-endian; they are read and written byte by byte, never
// by casting a pointer into the buffer.
inline std::uint32_t ReadBigEndian32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
           static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}

inline void WriteBigEndian32(std::uint8_t* p, std::uint32_t value) {
    p[0] = static_cast<std::uint8_t>(value >> 24);
    p[1] = static_cast<std::uint8_t>(value >> 16);
    p[2] = static_cast<std::uint8_t>(value >> 8);
    p[3] = static_cast<std::uint8_t>(value);
}

// Packed rows of 1, 2 or 4 bits a pixel (PNG's and Windows DIBs' alike) put the leftmost
// pixel in the most significant bits of its byte; rows of 8 bits hold one index a byte.
inline unsigned PackedIndex(const std::uint8_t* row, int bitsPerPixel, std::size_t x) {
    const std::size_t bit = x * static_cast<std::size_t>(bitsPerPixel);
    const unsigned shift = 8u - static_cast<unsigned>(bitsPerPixel) - static_cast<unsigned>(bit % 8);
    return (row[bit / 8] >> shift) & ((1u << bitsPerPixel) - 1u);
}

// Sets pixel x of a packed row whose bits for it are still zero.
inline void OrPackedIndex(std::uint8_t* row, int bitsPerPixel, std::size_t x, unsigned value) {
    const std::size_t bit = x * static_cast<std::size_t>(bitsPerPixel);
    const unsigned shift = 8u - static_cast<unsigned>(bitsPerPixel) - static_cast<unsigned>(bit % 8);
    row[bit / 8] |= static_cast<std::uint8_t>(value << shift);
}

}  // namespace tevpng
