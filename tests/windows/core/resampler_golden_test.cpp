// The resampler's bytes under 64-bit Windows: the same digests as every other build.

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "resize_golden.h"

namespace tevpng {
namespace {

TEST(ResamplerGolden, ResizeDigestOnEveryKernel) {
    for (auto level : {detail::SimdLevel::Scalar, detail::SimdLevel::Sse2}) {
        ASSERT_TRUE(detail::SimdLevelAvailable(level)) << detail::SimdLevelName(level);
        EXPECT_EQ(golden::ResizeDigest(level), golden::ExpectedResizeDigest) << detail::SimdLevelName(level);
    }
    EXPECT_EQ(detail::BestSimdLevel(), detail::SimdLevel::Sse2);
}

TEST(ResamplerGolden, FilterDigest) { EXPECT_EQ(golden::FilterDigest(), golden::ExpectedFilterDigest); }

TEST(ResamplerGolden, DocumentedNumbers) {
    std::vector<std::uint8_t> source(100 * 100 * 3, 255), target(50 * 50 * 3);
    ASSERT_TRUE(Stretch({source.data(), 100, 100, 3, 300}, {target.data(), 50, 50, 3, 150}, Lanczos3Filter,
                        Lanczos3Radius));
    EXPECT_EQ(target, std::vector<std::uint8_t>(target.size(), 253));
}

}  // namespace
}  // namespace tevpng
