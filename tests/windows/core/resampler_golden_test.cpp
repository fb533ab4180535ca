// The resampler's bytes under 64-bit Windows: the same digests as every other build,
// on every kernel this processor runs (the wide ones chosen at run time, as in the DLL).

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "resize_golden.h"

namespace tevpng {
namespace {

using detail::SimdLevel;

TEST(ResamplerGolden, ResizeDigestOnEveryKernel) {
    std::string ran;
    for (SimdLevel level : {SimdLevel::Scalar, SimdLevel::Sse2, SimdLevel::Avx2, SimdLevel::Avx512}) {
        if (!detail::SimdLevelAvailable(level)) continue;
        EXPECT_EQ(golden::ResizeDigest(level), golden::ExpectedResizeDigest) << detail::SimdLevelName(level);
        ran += std::string(" ") + detail::SimdLevelName(level);
    }
    std::printf("resampler kernels checked:%s; Stretch uses %s\n", ran.c_str(),
                detail::SimdLevelName(detail::BestSimdLevel()));
    EXPECT_TRUE(detail::SimdLevelAvailable(SimdLevel::Sse2));
}

TEST(ResamplerGolden, WideKernelsAreBuiltIn) {
    __builtin_cpu_init();
    const bool avx2 = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
    const bool avx512 = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl");
    EXPECT_EQ(detail::SimdLevelAvailable(SimdLevel::Avx2), avx2);
    EXPECT_EQ(detail::SimdLevelAvailable(SimdLevel::Avx512), avx512);
    EXPECT_EQ(detail::BestSimdLevel(), avx512 ? SimdLevel::Avx512 : avx2 ? SimdLevel::Avx2 : SimdLevel::Sse2);
}

TEST(ResamplerGolden, FilterDigest) { EXPECT_EQ(golden::FilterDigest(), golden::ExpectedFilterDigest); }

TEST(ResamplerGolden, DocumentedNumbers) {
    std::vector<std::uint8_t> source(100 * 100 * 3, 255), target(50 * 50 * 3);
    ASSERT_TRUE(Stretch({source.data(), 100, 100, 3, 300}, {target.data(), 50, 50, 3, 150}, kLanczos3));
    EXPECT_EQ(target, std::vector<std::uint8_t>(target.size(), 253));
}

}  // namespace
}  // namespace tevpng
