#include "scale/weighted_sum.h"

namespace tevpng::detail {

// The vector kernels, present where the build has them (weighted_sum_x86.cpp).
#if defined(__x86_64__) || defined(__i386__)
void WeightedSumSse2(const Contributor*, std::int32_t, const std::uint8_t*, std::ptrdiff_t, std::ptrdiff_t,
                     std::uint8_t*);
#endif
#if TEVPNG_WIDE_KERNELS
void WeightedSumAvx2(const Contributor*, std::int32_t, const std::uint8_t*, std::ptrdiff_t, std::ptrdiff_t,
                     std::uint8_t*);
void WeightedSumAvx512(const Contributor*, std::int32_t, const std::uint8_t*, std::ptrdiff_t, std::ptrdiff_t,
                       std::uint8_t*);
void WeightedSumAvx512Fma(const Contributor*, std::int32_t, const std::uint8_t*, std::ptrdiff_t, std::ptrdiff_t,
                       std::uint8_t*);
#endif

void WeightedSumScalar(const Contributor* list, std::int32_t length, const std::uint8_t* source,
                       std::ptrdiff_t step, std::ptrdiff_t valueCount, std::uint8_t* out) {
    for (std::ptrdiff_t v = 0; v < valueCount; ++v) {
        float accumulator = 0.0f;
        for (std::int32_t k = 0; k < length; ++k) {
            accumulator = Accumulate(accumulator, source[list[k].index * step + v], list[k].weight);
        }
        out[v] = AccumulatorToByte(accumulator);
    }
}

bool SimdLevelAvailable(SimdLevel level) {
    switch (level) {
        case SimdLevel::Scalar: return true;
#if defined(__x86_64__) || defined(__i386__)
        case SimdLevel::Sse2: return true;  // the baseline of every x86 build
#endif
#if TEVPNG_WIDE_KERNELS
        case SimdLevel::Avx2: return __builtin_cpu_supports("avx2");
        case SimdLevel::Avx512: return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl");
#endif
        default: return false;
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

WeightedSumKernel KernelFor(SimdLevel level) {
    switch (level) {
#if defined(__x86_64__) || defined(__i386__)
        case SimdLevel::Sse2: return WeightedSumSse2;
#endif
#if TEVPNG_WIDE_KERNELS
        case SimdLevel::Avx2: return WeightedSumAvx2;
        case SimdLevel::Avx512: return WeightedSumAvx512Fma;
#endif
        default: return WeightedSumScalar;
    }
}

const char* SimdLevelName(SimdLevel level) {
    switch (level) {
        case SimdLevel::Scalar: return "scalar";
        case SimdLevel::Sse2: return "sse2";
        case SimdLevel::Avx2: return "avx2";
        case SimdLevel::Avx512: return "avx512";
    }
    return "?";
}

}  // namespace tevpng::detail
