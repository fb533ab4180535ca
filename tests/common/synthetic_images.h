#pragma once
// Deterministic pictures of the kinds users put in their pages, made in code so that tests
// and benchmarks need no large fixture files: photographs with masks, flat interface
// graphics, palette sprites, and sets of small sprites and icons. The same arguments give
// the same bytes in every build (integer arithmetic and a fixed generator only).

#include <cstdint>
#include <string>
#include <vector>

#include "png_builder.h"

namespace tevtest {

// Rows of a picture, top first, without filter bytes, in PNG sample order.
struct Picture {
    int width = 0;
    int height = 0;
    std::uint8_t colorType = 6;  // 2 RGB, 3 palette, 6 RGB with alpha
    std::vector<Bytes> rows;
    Bytes palette;       // PLTE data, for colour type 3
    Bytes transparency;  // tRNS data, for colour type 3
};

// A photograph with a mask: smooth gradients, soft round shapes, sensor-like noise of
// sigma 2 per channel and, with alpha (channels 4), a soft vignette that is opaque in the
// middle and fades to transparent towards the corners. `channels` is 3 or 4.
Picture PhotoLike(int width, int height, int channels, std::uint32_t seed = 1);
std::vector<Bytes> PhotoLikeRows(int width, int height, int channels, std::uint32_t seed = 1);

// An interface graphic with alpha: a transparent field with flat rounded panels and
// buttons, hard and anti-aliased edges, thin strokes like text, a soft drop shadow.
Picture FlatGraphic(int width, int height, std::uint32_t seed = 1);

// A palette sprite: a transparent background (entry 0), a figure of a few dozen flat
// colours with a half-transparent outline and shadow (tRNS entries below 255).
Picture PaletteSprite(int width, int height, std::uint32_t seed = 1);

// As a PNG (8-bit samples): truecolour rows filtered with Paeth as ordinary encoders choose
// for such content, palette rows unfiltered, compressed at zlib `level`.
Bytes EncodePicture(const Picture& picture, int level = 6);
Bytes PhotoLikePng(int width, int height, int channels, std::uint32_t seed = 1, int level = 6);

struct NamedPng {
    std::string name;
    Bytes png;
};

// Small images as sprites and icons are: `count` of them, 16 to 256 pixels a side, most of
// them 64 or less; half interface icons (RGBA with soft edges), a third palette sprites
// with tRNS, the rest small photographs with soft alpha.
std::vector<NamedPng> SmallImages(int count, std::uint32_t seed = 1);

}  // namespace tevtest
