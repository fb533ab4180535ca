#pragma once

// The inner loop of both passes: many weighted sums that share one contributor list.
// Every kernel computes the same bytes as the scalar one; the vector kernels only
// work on several values side by side, never reordering the terms of one sum.

#include <cstddef>
#include <cstdint>

#include "scale/resampler.h"

namespace tevpng::detail {

// One accumulation step: the byte times the weight is exact in double precision, the
// sum is rounded to double and then to float.
inline float Accumulate(float accumulator, std::uint8_t value, float weight) {
    return static_cast<float>(static_cast<double>(accumulator) +
                              static_cast<double>(value) * static_cast<double>(weight));
}

// Clamps to 0..255 (NaN gives 0) and rounds to nearest, ties to even.
inline std::uint8_t AccumulatorToByte(float accumulator) {
    if (!(accumulator >= 0.0f)) return 0;
    if (accumulator > 255.0f) return 255;
    // At 2^23 a float has no fraction bits left, so the addition rounds (ties to even).
    const float rounded = (accumulator + 0x1p23f) - 0x1p23f;
    return static_cast<std::uint8_t>(rounded);
}

// For v < valueCount: out[v] = AccumulatorToByte of the sum, in list order, of
// source[index * step + v] x weight.
using WeightedSumKernel = void (*)(const Contributor* list, std::int32_t length, const std::uint8_t* source,
                                   std::ptrdiff_t step, std::ptrdiff_t valueCount, std::uint8_t* out);

enum class SimdLevel { Scalar, Sse2, Avx2, Avx512 };

// Whether this build has the kernel and this processor can run it.
bool SimdLevelAvailable(SimdLevel level);
// The widest available level; what Stretch uses.
SimdLevel BestSimdLevel();
// The kernel of an available level.
WeightedSumKernel KernelFor(SimdLevel level);
const char* SimdLevelName(SimdLevel level);

// The scalar reference, also used for the values left over by the vector kernels.
void WeightedSumScalar(const Contributor* list, std::int32_t length, const std::uint8_t* source,
                       std::ptrdiff_t step, std::ptrdiff_t valueCount, std::uint8_t* out);

// Stretch on a chosen kernel, so that tests can hold every kernel to the scalar one.
StretchResult StretchWith(SimdLevel level, ConstRasterView source, RasterView target, FilterFunction filter,
                          float radius);

}  // namespace tevpng::detail
