#pragma once

#include <windows.h>

#include <cstdint>

#include "codec/pixel_memory.h"

namespace tevpng {

class PngImage;

// A colour value as the host pushes it: bits 0-23 a COLORREF (red in the low
// byte); with bit 31 set, the low seven bits name a system colour.
COLORREF ColorToRGB(std::uint32_t color);

// Draws `image` with its top-left corner at (x, y) of `dc`. Partially
// transparent images are blended whole at their own size; every other image is
// stretched into the rectangle clipped by the right and bottom limits, with
// `keyColor` made transparent. An empty image draws nothing.
void DrawImage(const PngImage& image, HDC dc, std::int32_t x, std::int32_t y, std::int32_t rightLimit,
               std::int32_t bottomLimit, std::uint32_t keyColor);

// The per-pixel blend: captures the pixels under the image, blends every image
// pixel over them and writes them back.
void DrawWithAlpha(const PngImage& image, HDC dc, std::int32_t left, std::int32_t top);

// The mask drawing of a DIB into `target`, making `keyColor` transparent.
void DrawWithColorKey(HDC dc, const void* pixelBits, const DibInfo& info, const RECT& target,
                      COLORREF keyColor);

}  // namespace tevpng
