#pragma once

// Digests of a fixed set of resizes and filter values. Every build (native, the
// 32-bit x86 twin, 64-bit Windows) must produce exactly these bytes, so each test
// suite compares the digests with the constants below.

#include <cstdint>

#include "scale/weighted_sum.h"

namespace tevpng::golden {

// FNV-1a (64 bits) of the output bytes of every case, resized with the given kernel.
std::uint64_t ResizeDigest(detail::SimdLevel level);

// FNV-1a (64 bits) of the bits of Sinc and Lanczos3Filter over a grid of arguments,
// including huge and tiny ones.
std::uint64_t FilterDigest();

inline constexpr std::uint64_t ExpectedResizeDigest = 0x31bd4ee7bf4cfb94u;
inline constexpr std::uint64_t ExpectedFilterDigest = 0x5cb3e5aca6e61a38u;

}  // namespace tevpng::golden
