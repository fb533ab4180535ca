#include "base/cpu_features.h"

namespace tevpng {

namespace {

#if defined(__i386__) || defined(__x86_64__)
struct Features {
    bool ssse3, avx2, avx512;
};

// GCC and clang ask CPUID and, for the wide registers, XGETBV.
const Features& ProcessorFeatures() {
    static const Features features = [] {
        __builtin_cpu_init();
        return Features{__builtin_cpu_supports("ssse3") != 0,
                        __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma"),
                        __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl")};
    }();
    return features;
}
#endif

}  // namespace

bool CpuRuns(SimdLevel level) {
    if (level == SimdLevel::Scalar) return true;
#if defined(__i386__) || defined(__x86_64__)
    const Features& features = ProcessorFeatures();
    switch (level) {
        case SimdLevel::Sse2:
            return true;  // the baseline of every x86 build
        case SimdLevel::Ssse3:
            return features.ssse3;
        case SimdLevel::Avx2:
            return features.avx2;
        case SimdLevel::Avx512:
            return features.avx512;
        default:
            break;
    }
#endif
    return false;
}

const char* SimdLevelName(SimdLevel level) {
    switch (level) {
        case SimdLevel::Scalar:
            return "scalar";
        case SimdLevel::Sse2:
            return "sse2";
        case SimdLevel::Ssse3:
            return "ssse3";
        case SimdLevel::Avx2:
            return "avx2";
        case SimdLevel::Avx512:
            return "avx512";
    }
    return "?";
}

}  // namespace tevpng
