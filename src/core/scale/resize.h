#pragma once

// Resizing a PngImage: its colours and its alpha resampled with the Lanczos-3 resampler,
// and the image rebuilt around them as 8-bit RGB with alpha.

#include <cstdint>
#include <memory>

#include "codec/png_image.h"
#include "scale/resampler.h"

namespace tevpng {

// Resamples the image to width x height with ResampleColorAndAlpha (kLanczos3). Afterwards the
// image is colour type 6 at 8 bits with the chunk list IHDR, IDAT, IEND and identity gamma
// tables; Interlace, FilterSet, CompressionLevel and IdatLimit stay. Colours come from
// the pixels as decoded (through the colour table for palette and grey images); an alpha
// plane is resampled as one channel, and an image without one gets alpha 255 everywhere.
//
// On any failure the image is left exactly as it was:
// - SourceTooSmall ("Source bitmap too small"): the image holds no pixels;
// - TargetTooSmall: width or height below 1;
// - OutOfMemory: the new pixels cannot be made (also beyond 65535 pixels a side or
//   kPixelMemoryLimit in all).
StretchResult ResizeImage(PngImage& image, std::int32_t width, std::int32_t height);

// Makes `header` (created with `image` as its owner, holding its pixels) the image's
// content: the chunk list becomes IHDR, IDAT, IEND and the gamma tables the identity,
// everything else goes. False, with the image untouched, when memory is short.
bool AssignBitmap(PngImage& image, std::unique_ptr<HeaderChunk> header);

// Gives an image without alpha an alpha plane of 255 (opaque): colour type 0 becomes 4
// and 2 becomes 6, with the same pixels. Other colour types, and grey images of fewer than
// 8 bits (which have no form with alpha), are left alone. Returns whether the image has an
// alpha plane afterwards.
bool CreateAlpha(HeaderChunk& header);
bool CreateAlpha(PngImage& image);

}  // namespace tevpng
