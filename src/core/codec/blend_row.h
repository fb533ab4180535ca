#pragma once

#include <cstdint>

namespace tevpng {

// The per-pixel alpha blend of one image row over one row of a 32-bit surface.
//
// A surface pixel is four bytes: blue, green, red and a fourth byte. Each row function blends
// `width` image pixels into the first `width` surface pixels, channel by channel, with straight
// (not premultiplied) alpha a, image value s and surface value d:
//
//   result = (s * a + (255 - a) * d + 255) >> 8        (unsigned, exact)
//
// so a = 0 keeps d and a = 255 gives s exactly. The fourth byte of every surface pixel keeps the
// value it had. Widths of zero or less blend nothing. Surface and source rows need no alignment.

// Colour and alpha of every palette index, in the order a blend reads them: blue, green, red,
// alpha. Made once per image by MakeBlendPalette.
struct BlendPalette {
    alignas(16) std::uint8_t bgra[256][4];
};

// colourTable holds 256 entries of four bytes (blue, green, red, reserved), the layout of a DIB
// colour table. Indices at or beyond `count` are black; every index takes its alpha from
// alphaTable (256 bytes) whatever `count` says.
BlendPalette MakeBlendPalette(const std::uint8_t* colourTable, int count, const std::uint8_t* alphaTable);

// One implementation of the three row blends.
struct BlendRowKernels {
    const char* name;

    // bgr: three bytes per pixel (blue, green, red); alpha: one byte per pixel.
    void (*bgrAlpha)(std::uint8_t* surface, const std::uint8_t* bgr, const std::uint8_t* alpha, int width);

    // grey: one byte per pixel, the value of red, green and blue alike; alpha: one byte per pixel.
    void (*greyAlpha)(std::uint8_t* surface, const std::uint8_t* grey, const std::uint8_t* alpha, int width);

    // indices: packed 1, 4 or 8 bits per pixel, the leftmost pixel in the most significant bits
    // of its byte. Exactly `width` pixels are drawn; the spare positions of the last byte are
    // not. Any other bit count draws nothing.
    void (*palette)(std::uint8_t* surface, const std::uint8_t* indices, int bitsPerPixel,
                    const BlendPalette& palette, int width);
};

// The plain scalar blends: the definition the fast ones are held to.
const BlendRowKernels& ReferenceBlendRows();

// SSE2 blends; null on a processor family without SSE2.
const BlendRowKernels* Sse2BlendRows();

// SSSE3 blends; null when this CPU has no SSSE3.
const BlendRowKernels* Ssse3BlendRows();

// AVX2 blends; null when this CPU or its operating system cannot run AVX2 code.
const BlendRowKernels* Avx2BlendRows();

// The fastest blends this CPU runs, chosen on first use.
const BlendRowKernels& BlendRows();

}  // namespace tevpng
