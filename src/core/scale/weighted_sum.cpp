#include "scale/weighted_sum.h"

#include "scale/weighted_sum_x86.h"

namespace tevpng::detail {

void WeightedSumScalar(const Term* terms, std::int32_t length, std::ptrdiff_t count, std::uint8_t* out) {
    WeightedSumScalarFrom(0, terms, length, count, out);
}

void WeightedSumScalarFrom(std::ptrdiff_t first, const Term* terms, std::int32_t length, std::ptrdiff_t count,
                           std::uint8_t* out) {
    for (std::ptrdiff_t v = first; v < count; ++v) {
        float accumulator = 0.0f;
        for (std::int32_t k = 0; k < length; ++k) {
            accumulator = Accumulate(accumulator, terms[k].values[v], terms[k].weight);
        }
        out[v] = AccumulatorToByte(accumulator);
    }
}

void WidenScalar(const std::uint8_t* bytes, std::ptrdiff_t count, double* out) {
    for (std::ptrdiff_t v = 0; v < count; ++v) out[v] = bytes[v];
}

bool SimdLevelAvailable(SimdLevel level) {
    switch (level) {
        case SimdLevel::Scalar:
            return true;
#if TEVPNG_X86_KERNELS
        case SimdLevel::Sse2:
        case SimdLevel::Avx2:
        case SimdLevel::Avx512:
            return CpuRuns(level);
#endif
        default:
            return false;  // no kernels of this level in the resampler
    }
}

SimdLevel BestSimdLevel() {
    static const SimdLevel best = [] {
        for (SimdLevel level : {SimdLevel::Avx512, SimdLevel::Avx2, SimdLevel::Sse2}) {
            if (SimdLevelAvailable(level)) return level;
        }
        return SimdLevel::Scalar;
    }();
    return best;
}

Kernels KernelsFor(SimdLevel level) {
    switch (level) {
#if TEVPNG_X86_KERNELS
        case SimdLevel::Sse2:
            return {WeightedSumSse2, WidenSse2};
        case SimdLevel::Avx2:
            return {WeightedSumAvx2, WidenAvx2};
        case SimdLevel::Avx512:
            return {WeightedSumAvx512, WidenAvx512};
#endif
        default:
            return {WeightedSumScalar, WidenScalar};
    }
}

}  // namespace tevpng::detail
