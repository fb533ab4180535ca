#pragma once

// The inner loop of both passes: many weighted sums that share one contributor list.
// Every kernel computes the same bytes as the scalar one; the vector kernels only
// work on several values side by side, never reordering the terms of one sum.
//
// The kernels read the source bytes widened to double (each byte is exactly a double):
// a value is then widened once and used by every list that needs it, instead of being
// converted again in every step that reads it.

#include <cstddef>
#include <cstdint>

#include "base/cpu_features.h"
#include "scale/resampler.h"

namespace tevpng::detail {

// One accumulation step: the value times the weight is exact in double precision (a
// byte has 8 significant bits, a float weight 24), the sum is rounded to double and
// then to float.
inline float Accumulate(float accumulator, double value, double weight) {
    return static_cast<float>(static_cast<double>(accumulator) + value * weight);
}

// Clamps to 0..255 (NaN gives 0) and rounds to nearest, ties to even.
inline std::uint8_t AccumulatorToByte(float accumulator) {
    if (!(accumulator >= 0.0f)) return 0;
    if (accumulator > 255.0f) return 255;
    // At 2^23 a float has no fraction bits left, so the addition rounds (ties to even).
    const float rounded = (accumulator + 0x1p23f) - 0x1p23f;
    return static_cast<std::uint8_t>(rounded);
}

// One term of the sums as the kernels take it: where its values lie (source values
// widened to double, one per sum) and its weight (a float, held as a double).
struct Term {
    const double* values;
    double weight;
};

// For v < count: out[v] = AccumulatorToByte of the sum, in term order, of
// values[v] x weight.
using WeightedSumKernel = void (*)(const Term* terms, std::int32_t length, std::ptrdiff_t count,
                                   std::uint8_t* out);

// out[v] = bytes[v] for v < count.
using WidenKernel = void (*)(const std::uint8_t* bytes, std::ptrdiff_t count, double* out);

struct Kernels {
    WeightedSumKernel weightedSum;
    WidenKernel widen;
};

using tevpng::SimdLevel;
using tevpng::SimdLevelName;

// Whether this build has the resampler's kernels for `level` (scalar, SSE2, AVX2, AVX-512) and
// this processor runs them.
bool SimdLevelAvailable(SimdLevel level);
// The widest available level; what Stretch uses.
SimdLevel BestSimdLevel();
// The kernels of an available level.
Kernels KernelsFor(SimdLevel level);

// The scalar kernels. WeightedSumScalarFrom does only the sums first..count-1 (the
// values left over by the vector kernels).
void WeightedSumScalar(const Term* terms, std::int32_t length, std::ptrdiff_t count, std::uint8_t* out);
void WeightedSumScalarFrom(std::ptrdiff_t first, const Term* terms, std::int32_t length, std::ptrdiff_t count,
                           std::uint8_t* out);
void WidenScalar(const std::uint8_t* bytes, std::ptrdiff_t count, double* out);

// Stretch and ResampleColorAndAlpha on a chosen level, so that tests can hold every
// level to the scalar one and benchmarks can time each.
StretchResult StretchWith(SimdLevel level, ConstRasterView source, RasterView target, Filter filter);
StretchResult ResampleColorAndAlphaWith(SimdLevel level, ConstRasterView color, ConstRasterView alpha,
                                        RasterView colorTarget, RasterView alphaTarget);
StretchResult ResampleColorAndAlphaWith(SimdLevel level, ConstRasterView color, ConstRasterView alpha,
                                        std::int32_t width, std::int32_t height, ResampledImage& out);

}  // namespace tevpng::detail
