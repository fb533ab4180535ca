#pragma once
// Deterministic pictures of the kind users put in their pages, made in code so tests and
// benchmarks need no large fixture files.

#include <cstdint>
#include <vector>

#include "png_builder.h"

namespace tevtest {

// A photo with a mask: smooth gradients, soft round shapes, sensor-like noise (about
// sigma 2 per channel) and, with alpha, a soft vignette that is opaque in the middle and
// fades to transparent at the corners. `channels` is 3 (RGB) or 4 (RGBA); rows top
// first, no filter bytes. The same arguments give the same bytes in every build.
std::vector<Bytes> PhotoLikeRows(int width, int height, int channels, std::uint32_t seed = 1);

// The same as a PNG (8-bit colour type 2 or 6), every row filtered with Paeth like an
// ordinary encoder would choose for such content, compressed at zlib level `level`.
Bytes PhotoLikePng(int width, int height, int channels, std::uint32_t seed = 1, int level = 6);

}  // namespace tevtest
