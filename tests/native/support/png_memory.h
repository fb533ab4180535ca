#pragma once

// PNG files held in memory, read and written through the core's memory stream.
#include "codec/png_image.h"
#include "png_builder.h"

namespace tevtest {

// What LoadStream says for `png`, read into `image`.
bool LoadPng(tevpng::PngImage& image, const Bytes& png);
// What `image` writes; a failed SaveStream fails the calling test too.
Bytes SavePng(tevpng::PngImage& image);

}  // namespace tevtest
