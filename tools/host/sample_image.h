#pragma once

// Images the host makes itself: the sample for the demo and the tests, solid frames for
// sprites, and the page snapshots. They are written with the plug-in's own PNG writer
// from the portable core, so no image file needs to ship with the project.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "codec/png_image.h"

namespace tevhost {

struct Rgba {
    std::uint8_t r = 0, g = 0, b = 0, a = 0;
    bool operator==(const Rgba&) const = default;
};

using PixelFunction = std::function<Rgba(int x, int y)>;

inline constexpr int kSampleWidth = 160;
inline constexpr int kSampleHeight = 120;

// The sample: an elliptic badge whose colours run from orange to violet, opaque in the
// middle with a soft edge that fades to nothing, a clear hole in its centre and a
// half-transparent band across it. Outside the ellipse it is fully transparent.
Rgba SamplePixel(int x, int y, int width, int height);

// An 8-bit image of `fn`'s pixels: RGB with alpha (colour type 6) or RGB (type 2).
// Null when the pixels cannot be made.
std::unique_ptr<tevpng::PngImage> MakeImage(int width, int height, const PixelFunction& fn, bool withAlpha);

// MakeImage, then SaveFile. False when either fails.
bool WritePng(const std::string& path, int width, int height, const PixelFunction& fn, bool withAlpha);

// The pixel of an image held as 8-bit RGB(A) (what MakeImage and the reader make of types
// 2 and 6); alpha 255 without an alpha plane.
Rgba ImagePixel(const tevpng::PngImage& image, int x, int y);

}  // namespace tevhost
