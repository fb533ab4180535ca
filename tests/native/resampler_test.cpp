#include "scale/resampler.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "resize_golden.h"
#include "scale/exact_sine.h"
#include "scale/weighted_sum.h"

namespace tevpng {
namespace {

using detail::SimdLevel;

// A packed raster with its bytes in a vector of exactly its size, so that a read
// outside it is caught by the address sanitizer.
struct Image {
    int width = 0, height = 0, channels = 3;
    std::vector<std::uint8_t> bytes;

    Image(int w, int h, int c, std::uint8_t fill = 0)
        : width(w), height(h), channels(c), bytes(static_cast<std::size_t>(w) * h * c, fill) {}
    std::ptrdiff_t Stride() const { return std::ptrdiff_t{width} * channels; }
    ConstRasterView View() const { return {bytes.data(), width, height, channels, Stride()}; }
    RasterView View() { return {bytes.data(), width, height, channels, Stride()}; }
    std::uint8_t& At(int x, int y, int c = 0) { return bytes[(std::size_t(y) * width + x) * channels + c]; }
};

Image RandomImage(int w, int h, int c, unsigned seed) {
    Image image(w, h, c);
    std::mt19937 random(seed);
    for (auto& b : image.bytes) b = static_cast<std::uint8_t>(random());
    return image;
}

Image Resized(const Image& source, int w, int h, SimdLevel level = detail::BestSimdLevel()) {
    Image target(w, h, source.channels, 0xAB);
    const StretchResult result = detail::StretchWith(level, source.View(), target.View(), kLanczos3);
    EXPECT_TRUE(result.Ok()) << result.Message();
    return target;
}

std::vector<SimdLevel> AvailableLevels() {
    std::vector<SimdLevel> levels;
    for (SimdLevel level : {SimdLevel::Scalar, SimdLevel::Sse2, SimdLevel::Avx2, SimdLevel::Avx512}) {
        if (detail::SimdLevelAvailable(level)) levels.push_back(level);
    }
    return levels;
}

// ---- the documented numbers ----

struct FlatCase {
    std::uint8_t value;
    int targetWidth, targetHeight;
    std::uint8_t expected;
};

TEST(Stretch, FlatAreasLoseOneLevelPerPass) {
    const FlatCase cases[] = {
        {255, 50, 50, 253},   // halving both sides
        {255, 50, 100, 254},  // after the horizontal pass only
        {200, 50, 50, 198},
        {200, 50, 100, 199},
    };
    for (const FlatCase& c : cases) {
        for (int channels : {1, 3}) {
            SCOPED_TRACE(testing::Message() << int(c.value) << " to " << c.targetWidth << "x"
                                            << c.targetHeight << ", " << channels << " channel(s)");
            const Image resized = Resized(Image(100, 100, channels, c.value), c.targetWidth, c.targetHeight);
            EXPECT_EQ(resized.bytes, std::vector<std::uint8_t>(resized.bytes.size(), c.expected));
        }
    }
}

TEST(Stretch, StepEdgeWidenedToSevenColumns) {
    for (int channels : {1, 3}) {
        Image source(4, 4, channels);
        for (int y = 0; y < 4; ++y)
            for (int x = 2; x < 4; ++x)
                for (int c = 0; c < channels; ++c) source.At(x, y, c) = 255;
        Image resized = Resized(source, 7, 4);
        const std::uint8_t expected[7] = {0, 0, 0, 127, 255, 255, 255};
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 7; ++x)
                for (int c = 0; c < channels; ++c)
                    EXPECT_EQ(resized.At(x, y, c), expected[x]) << x << "," << y;
    }
}

TEST(Stretch, SameSizeKeepsThePixels) {
    const int sizes[][2] = {{1, 1}, {2, 2}, {3, 3}, {4, 7}, {17, 5}, {64, 33}, {200, 3}, {1, 9}, {2, 5}};
    unsigned seed = 1;
    for (const auto& size : sizes) {
        for (int channels : {1, 3}) {
            SCOPED_TRACE(testing::Message() << size[0] << "x" << size[1] << "x" << channels);
            const Image source = RandomImage(size[0], size[1], channels, seed++);
            EXPECT_EQ(Resized(source, size[0], size[1]).bytes, source.bytes);
        }
    }
}

// ---- small sources and targets ----

TEST(Stretch, TinySourcesAndTargetsStayInsideTheSource) {
    const int cases[][4] = {{1, 1, 1, 1}, {1, 1, 9, 4},    {2, 1, 7, 3},   {2, 2, 1, 1},   {5, 3, 1, 1},
                            {1, 9, 1, 2}, {9, 1, 2, 1},    {300, 2, 1, 3}, {2, 300, 3, 1}, {1, 2, 40, 40},
                            {3, 3, 2, 2}, {1000, 1, 2, 1}, {7, 7, 1, 30}};
    for (const auto& c : cases) {
        for (int channels : {1, 3}) {
            SCOPED_TRACE(testing::Message() << c[0] << "x" << c[1] << " to " << c[2] << "x" << c[3]);
            // A flat source: whatever indices the lists fold to, the sum stays near the value.
            const Image flat = Resized(Image(c[0], c[1], channels, 200), c[2], c[3]);
            for (std::uint8_t b : flat.bytes) {
                EXPECT_GE(b, 194);
                EXPECT_LE(b, 200);
            }
            Resized(RandomImage(c[0], c[1], channels, 7), c[2], c[3]);  // reads checked by the sanitizer
        }
    }
}

// ---- failures ----

TEST(Stretch, FailuresLeaveTheTargetAlone) {
    struct FailureCase {
        const char* name;
        int sourceWidth, sourceHeight, targetWidth, targetHeight;
        StretchResult::Code expected;
    };
    const FailureCase cases[] = {
        {"empty source", 0, 0, 4, 4, StretchResult::Code::SourceTooSmall},
        {"no rows", 5, 0, 4, 4, StretchResult::Code::SourceTooSmall},
        {"negative width", -3, 4, 4, 4, StretchResult::Code::SourceTooSmall},
        {"both too small", 0, 4, 0, 4, StretchResult::Code::SourceTooSmall},
        {"zero target width", 4, 4, 0, 4, StretchResult::Code::TargetTooSmall},
        {"negative target height", 4, 4, 4, -2, StretchResult::Code::TargetTooSmall},
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<std::uint8_t> source(64 * 3, 90);
        std::vector<std::uint8_t> target(64 * 3, 0xAB);
        const StretchResult result =
            Stretch({source.data(), c.sourceWidth, c.sourceHeight, 3, 24},
                    {target.data(), c.targetWidth, c.targetHeight, 3, 24}, kLanczos3);
        EXPECT_EQ(result.code(), c.expected);
        EXPECT_FALSE(result);
        EXPECT_EQ(target, std::vector<std::uint8_t>(64 * 3, 0xAB));
    }
}

TEST(Stretch, SourceTooSmallKeepsItsText) {
    const StretchResult result = Stretch({}, {}, kLanczos3);
    EXPECT_STREQ(result.Message(), "Source bitmap too small");
    EXPECT_STREQ(StretchResult().Message(), "");
}

TEST(Stretch, InvalidRastersAreRefused) {
    Image source = RandomImage(8, 8, 3, 3);
    Image target(4, 4, 3, 0xAB);
    Image grey(4, 4, 1, 0xAB);
    ConstRasterView narrowStride = source.View();
    narrowStride.stride = 20;
    ConstRasterView fourChannels = source.View();
    fourChannels.channels = 4;
    RasterView sharedTargetRow = target.View();
    sharedTargetRow.stride = 0;
    const auto code = [](ConstRasterView s, RasterView t) { return Stretch(s, t, kLanczos3).code(); };
    EXPECT_EQ(code(source.View(), grey.View()), StretchResult::Code::InvalidRaster);
    EXPECT_EQ(code(narrowStride, target.View()), StretchResult::Code::InvalidRaster);
    EXPECT_EQ(code(fourChannels, target.View()), StretchResult::Code::InvalidRaster);
    EXPECT_EQ(code(source.View(), sharedTargetRow), StretchResult::Code::InvalidRaster);
    EXPECT_EQ(code({nullptr, 8, 8, 3, 24}, target.View()), StretchResult::Code::InvalidRaster);
    EXPECT_EQ(Stretch(source.View(), target.View(), Filter{nullptr, 3.0f}).code(),
              StretchResult::Code::InvalidRaster);
    EXPECT_EQ(target.bytes, std::vector<std::uint8_t>(target.bytes.size(), 0xAB));
}

TEST(Stretch, IntermediateTooLargeIsOutOfMemory) {
    // 200000 x 200000 x 3 bytes between the passes cannot be had.
    const Image source(1, 200000, 3, 7);
    Image target(200000, 1, 3, 0xAB);
    EXPECT_EQ(Stretch(source.View(), target.View(), kLanczos3).code(), StretchResult::Code::OutOfMemory);
    EXPECT_EQ(target.bytes, std::vector<std::uint8_t>(target.bytes.size(), 0xAB));
}

// ---- views ----

TEST(Stretch, BottomUpViewMatchesTopDownCopy) {
    const Image topDown = RandomImage(23, 17, 3, 11);
    Image bottomUp(23, 17, 3);
    for (int y = 0; y < 17; ++y) {
        std::memcpy(&bottomUp.At(0, 16 - y), &topDown.bytes[y * topDown.Stride()], topDown.Stride());
    }
    const ConstRasterView flipped{&bottomUp.At(0, 16), 23, 17, 3, -bottomUp.Stride()};
    Image fromFlipped(31, 9, 3);
    ASSERT_TRUE(Stretch(flipped, fromFlipped.View(), kLanczos3));
    EXPECT_EQ(fromFlipped.bytes, Resized(topDown, 31, 9).bytes);
}

TEST(Stretch, SharedRowMatchesRepeatedRows) {
    Image repeated(40, 30, 1);
    const Image row = RandomImage(40, 1, 1, 5);
    for (int y = 0; y < 30; ++y) std::memcpy(&repeated.At(0, y), row.bytes.data(), 40);
    Image fromShared(17, 45, 1);
    ASSERT_TRUE(Stretch({row.bytes.data(), 40, 30, 1, 0}, fromShared.View(), kLanczos3));
    EXPECT_EQ(fromShared.bytes, Resized(repeated, 17, 45).bytes);
}

// The two passes written out plainly: a whole intermediate raster, one sum per value.
Image PlainTwoPass(const Image& source, int w, int h) {
    ContributorLists horizontal, vertical;
    EXPECT_TRUE(BuildContributorLists(AxisScale(source.width, w), kLanczos3, source.width, w, horizontal));
    EXPECT_TRUE(BuildContributorLists(AxisScale(source.height, h), kLanczos3, source.height, h, vertical));
    const auto sum = [](const ContributorLists& lists, int i, auto valueAt) {
        float accumulator = 0.0f;
        for (int k = 0; k < lists.Length(i); ++k) {
            accumulator =
                detail::Accumulate(accumulator, valueAt(lists.List(i)[k].index), lists.List(i)[k].weight);
        }
        return detail::AccumulatorToByte(accumulator);
    };
    Image between(w, source.height, source.channels), target(w, h, source.channels);
    for (int y = 0; y < source.height; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < source.channels; ++c)
                between.At(x, y, c) = sum(horizontal, x, [&](int j) {
                    return source.bytes[(std::size_t(y) * source.width + j) * source.channels + c];
                });
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < source.channels; ++c)
                target.At(x, y, c) = sum(vertical, y, [&](int j) { return between.At(x, j, c); });
    return target;
}

TEST(Stretch, MatchesThePlainTwoPasses) {
    // Tall sources take many strips of the horizontal pass, and the vertical lists
    // reach back over several of them: the rows between the passes wrap around.
    const int cases[][4] = {{9, 700, 5, 97}, {9, 700, 4, 1401}, {700, 9, 97, 5},   {31, 400, 31, 399},
                            {5, 300, 6, 3},  {12, 129, 7, 128}, {200, 200, 17, 9}, {3, 1000, 2, 1}};
    for (const auto& c : cases) {
        for (int channels : {1, 3}) {
            SCOPED_TRACE(testing::Message()
                         << c[0] << "x" << c[1] << " to " << c[2] << "x" << c[3] << "x" << channels);
            const Image source = RandomImage(c[0], c[1], channels, c[1] * 3 + channels);
            const Image plain = PlainTwoPass(source, c[2], c[3]);
            for (SimdLevel level : AvailableLevels()) {
                EXPECT_EQ(Resized(source, c[2], c[3], level).bytes, plain.bytes)
                    << detail::SimdLevelName(level);
            }
        }
    }
}

// ---- colour and alpha together ----

TEST(ResampleColorAndAlpha, MatchesTwoStretches) {
    const Image color = RandomImage(61, 47, 3, 21);
    const Image alpha = RandomImage(61, 47, 1, 22);
    ResampledImage out;
    ASSERT_TRUE(ResampleColorAndAlpha(color.View(), alpha.View(), 30, 90, out));
    const RasterView c = out.color.View(), a = out.alpha.View();
    ASSERT_EQ(c.width, 30);
    ASSERT_EQ(c.height, 90);
    EXPECT_EQ(std::vector<std::uint8_t>(c.pixels, c.pixels + 30 * 90 * 3), Resized(color, 30, 90).bytes);
    EXPECT_EQ(std::vector<std::uint8_t>(a.pixels, a.pixels + 30 * 90), Resized(alpha, 30, 90).bytes);
}

TEST(ResampleColorAndAlpha, MissingAlphaIsResampledAsOpaque) {
    const Image color = RandomImage(100, 100, 3, 23);
    ResampledImage out;
    ASSERT_TRUE(ResampleColorAndAlpha(color.View(), {}, 50, 50, out));
    const RasterView a = out.alpha.View();
    EXPECT_EQ(std::vector<std::uint8_t>(a.pixels, a.pixels + 50 * 50),
              std::vector<std::uint8_t>(50 * 50, 253));
}

TEST(ResampleColorAndAlpha, FailureKeepsThePreviousResult) {
    const Image color = RandomImage(10, 10, 3, 24);
    const Image alpha = RandomImage(10, 10, 1, 25);
    ResampledImage out;
    ASSERT_TRUE(ResampleColorAndAlpha(color.View(), alpha.View(), 2, 3, out));
    const std::uint8_t* before = out.color.View().pixels;
    EXPECT_EQ(ResampleColorAndAlpha({}, {}, 4, 4, out).code(), StretchResult::Code::SourceTooSmall);
    EXPECT_EQ(ResampleColorAndAlpha(color.View(), alpha.View(), 0, 4, out).code(),
              StretchResult::Code::TargetTooSmall);
    EXPECT_EQ(ResampleColorAndAlpha(color.View(), Image(9, 10, 1).View(), 4, 4, out).code(),
              StretchResult::Code::InvalidRaster);
    EXPECT_EQ(ResampleColorAndAlpha(color.View(), alpha.View(), 1 << 30, 1 << 30, out).code(),
              StretchResult::Code::OutOfMemory);
    EXPECT_EQ(out.color.View().pixels, before);
    EXPECT_EQ(out.color.Width(), 2);
    EXPECT_EQ(out.alpha.Height(), 3);
}

// ---- every kernel gives the scalar bytes ----

TEST(Kernels, StretchMatchesScalarOnEveryLevel) {
    const int cases[][4] = {{97, 61, 45, 33},   {45, 33, 97, 61}, {640, 3, 127, 5}, {3, 640, 5, 127},
                            {130, 70, 131, 69}, {64, 64, 64, 64}, {1, 1, 33, 65},   {300, 200, 1, 1}};
    for (const auto& c : cases) {
        for (int channels : {1, 3}) {
            const Image source = RandomImage(c[0], c[1], channels, c[0] * 7 + channels);
            const Image reference = Resized(source, c[2], c[3], SimdLevel::Scalar);
            for (SimdLevel level : AvailableLevels()) {
                SCOPED_TRACE(testing::Message() << detail::SimdLevelName(level) << " " << c[0] << "x" << c[1]
                                                << " to " << c[2] << "x" << c[3] << "x" << channels);
                EXPECT_EQ(Resized(source, c[2], c[3], level).bytes, reference.bytes);
            }
        }
    }
}

// The sums of one list straight from their definition, on the bytes.
std::vector<std::uint8_t> ReferenceSums(const std::vector<Contributor>& list,
                                        const std::vector<std::uint8_t>& rows, std::ptrdiff_t step,
                                        std::ptrdiff_t count) {
    std::vector<std::uint8_t> out(count);
    for (std::ptrdiff_t v = 0; v < count; ++v) {
        float accumulator = 0.0f;
        for (const Contributor& c : list)
            accumulator = detail::Accumulate(accumulator, rows[c.index * step + v], c.weight);
        out[v] = detail::AccumulatorToByte(accumulator);
    }
    return out;
}

// The same sums from a level's kernels: the rows widened, then summed.
std::vector<std::uint8_t> KernelSums(SimdLevel level, const std::vector<Contributor>& list,
                                     const std::vector<std::uint8_t>& rows, std::ptrdiff_t step,
                                     std::ptrdiff_t count) {
    const detail::Kernels kernels = detail::KernelsFor(level);
    std::vector<double> widened(rows.size());
    kernels.widen(rows.data(), std::ptrdiff_t(rows.size()), widened.data());
    std::vector<detail::Term> terms;
    for (const Contributor& c : list) terms.push_back({widened.data() + c.index * step, c.weight});
    std::vector<std::uint8_t> out(count, 0xAB);
    kernels.weightedSum(terms.data(), std::int32_t(terms.size()), count, out.data());
    return out;
}

TEST(Kernels, WidenGivesEveryByte) {
    std::vector<std::uint8_t> bytes(300);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 77 + 3);
    for (SimdLevel level : AvailableLevels()) {
        for (std::ptrdiff_t offset : {0, 1, 5}) {
            for (std::ptrdiff_t count : {0, 1, 3, 4, 7, 8, 15, 16, 17, 33, 295}) {
                std::vector<double> out(count + 1, -1.0);
                detail::KernelsFor(level).widen(bytes.data() + offset, count, out.data());
                for (std::ptrdiff_t v = 0; v < count; ++v) {
                    ASSERT_EQ(out[v], bytes[offset + v])
                        << detail::SimdLevelName(level) << " " << count << " " << v;
                }
                EXPECT_EQ(out[count], -1.0) << detail::SimdLevelName(level) << " wrote past " << count;
            }
        }
    }
}

TEST(Kernels, ExtremeWeightsMatchScalar) {
    // Weights far outside the filter's range: clamping at both ends, NaN, ties at .5,
    // and both sides of the range in which the wide kernels keep double accumulators.
    std::mt19937 random(99);
    std::vector<std::uint8_t> rows(9 * 300);
    for (auto& b : rows) b = static_cast<std::uint8_t>(random());
    const std::vector<std::vector<Contributor>> lists = {
        {{0, 0.5f}, {1, 0.5f}},
        {{2, -1.0f}, {3, 0.25f}},
        {{4, 3.0f}},
        {{5, 1e-8f}, {6, 0.99999994f}, {7, -1e-8f}},
        {{8, std::numeric_limits<float>::quiet_NaN()}},
        {{1, 1e30f}, {2, -1e30f}},
        {{0, 1e-40f}, {1, 3e-38f}, {2, -3e-38f}},  // sums below the normal float range
        {{0, 0x1p-100f}, {1, -0x1p-100f}, {2, 0x1.000002p-100f}},
        {{0, 0x1.fffffep-101f}, {1, 0x1p-100f}},
        {{3, 0x1p64f}, {4, -0x1p64f}, {5, 1.0f}},
        {{3, 0x1.000002p64f}, {4, 0.5f}},
        {{6, std::numeric_limits<float>::infinity()}, {7, 1.0f}},
        {},
    };
    for (const auto& list : lists) {
        for (std::ptrdiff_t count : {300, 299, 151, 144, 64, 7, 1}) {
            const std::vector<std::uint8_t> reference = ReferenceSums(list, rows, 300, count);
            for (SimdLevel level : AvailableLevels()) {
                EXPECT_EQ(KernelSums(level, list, rows, 300, count), reference)
                    << detail::SimdLevelName(level) << " count " << count;
            }
        }
    }
}

TEST(Kernels, RandomListsMatchScalar) {
    // Weights over a wide range of magnitudes put every rounding case (ties included)
    // in front of the kernels many times.
    std::mt19937 random(1234);
    std::vector<std::uint8_t> rows(16 * 131);
    for (auto& b : rows) b = static_cast<std::uint8_t>(random());
    std::uniform_real_distribution<float> mantissa(-2.0f, 2.0f);
    std::uniform_int_distribution<int> exponent(-30, 1), length(1, 16), index(0, 15);
    std::vector<Contributor> list;
    for (int trial = 0; trial < 3000; ++trial) {
        list.resize(length(random));
        for (Contributor& c : list) c = {index(random), std::ldexp(mantissa(random), exponent(random))};
        const std::vector<std::uint8_t> reference = ReferenceSums(list, rows, 131, 131);
        for (SimdLevel level : AvailableLevels()) {
            ASSERT_EQ(KernelSums(level, list, rows, 131, 131), reference)
                << detail::SimdLevelName(level) << " trial " << trial;
        }
    }
}

// The float nearer to zero when double s lies exactly halfway between two floats;
// otherwise the float conversion of s.
float RoundTiesTowardZero(double s) {
    const float nearest = static_cast<float>(s);
    const float other = std::nextafter(nearest, static_cast<float>(s > nearest ? INFINITY : -INFINITY));
    const bool tie = s != nearest && s - nearest == other - s;
    return tie && std::fabs(other) < std::fabs(nearest) ? other : nearest;
}

TEST(Kernels, FloatTiesRoundToEven) {
    // A half-integer first (0.5 x an odd byte), then a power of two times a power of
    // two: many steps land exactly halfway between two floats, and where the half-integer
    // is one of the two, the tie decides the byte. The run counts those lanes (where
    // ties toward zero would give another byte) to show the cases are there.
    std::mt19937 random(77);
    std::vector<std::uint8_t> rows(6 * 131);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        rows[i] = static_cast<std::uint8_t>(i < 3 * 131 ? random() : 1u << (random() % 8));
    }
    std::uniform_int_distribution<int> power(16, 26), length(2, 3), halved(0, 2), scaled(3, 5), sign(0, 1);
    std::vector<Contributor> list;
    int decisive = 0;
    for (int trial = 0; trial < 2000; ++trial) {
        list.assign(1, {halved(random), 0.5f});
        list.resize(length(random));
        for (std::size_t k = 1; k < list.size(); ++k) {
            list[k] = {scaled(random), std::ldexp(sign(random) ? -1.0f : 1.0f, -power(random))};
        }
        const std::vector<std::uint8_t> reference = ReferenceSums(list, rows, 131, 131);
        for (std::ptrdiff_t v = 0; v < 131; ++v) {
            float accumulator = 0.0f;
            for (const Contributor& c : list) {
                accumulator = RoundTiesTowardZero(accumulator + rows[c.index * 131 + v] * double{c.weight});
            }
            decisive += detail::AccumulatorToByte(accumulator) != reference[v];
        }
        for (SimdLevel level : AvailableLevels()) {
            ASSERT_EQ(KernelSums(level, list, rows, 131, 131), reference)
                << detail::SimdLevelName(level) << " trial " << trial;
        }
    }
    EXPECT_GT(decisive, 1000);
}

// ---- identical bytes in every build ----

TEST(Golden, DigestsMatchTheRecordedOnes) {
    for (SimdLevel level : AvailableLevels()) {
        EXPECT_EQ(golden::ResizeDigest(level), golden::ExpectedResizeDigest) << detail::SimdLevelName(level);
    }
    EXPECT_EQ(golden::FilterDigest(), golden::ExpectedFilterDigest);
}

// ---- filter ----

TEST(Filter, SincAndLanczosShape) {
    EXPECT_EQ(Sinc(0.0f), 1.0f);
    EXPECT_EQ(Lanczos3Filter(0.0f), 1.0f);
    for (float n : {1.0f, 2.0f, -1.0f, 3.0f, 100.0f}) {
        EXPECT_NE(Sinc(n), 0.0f) << n;  // pi n is rounded, so sin does not vanish
        EXPECT_LT(std::fabs(Sinc(n)), 1e-7f) << n;
    }
    for (float x : {3.0f, 3.5f, -3.0f, 1e30f}) EXPECT_EQ(Lanczos3Filter(x), 0.0f) << x;
    for (float x : {0.1f, 0.5f, 1.3f, 2.9999998f}) EXPECT_EQ(Lanczos3Filter(x), Lanczos3Filter(-x)) << x;
    EXPECT_NEAR(Lanczos3Filter(0.5f), 0.6079271f, 1e-7f);
    EXPECT_NEAR(Sinc(0.5f), 2.0 / 3.141592653589793, 1e-7);
}

TEST(Filter, SineMatchesTheSystemSine) {
    std::mt19937 random(5);
    std::uniform_int_distribution<std::uint32_t> bits(0, 0x7F7FFFFFu);
    for (int i = 0; i < 200000; ++i) {
        const float t = std::bit_cast<float>(bits(random) | (i & 1 ? 0x80000000u : 0u));
        const double expected = std::sin(static_cast<double>(t));
        ASSERT_NEAR(detail::Sine(t), expected, 4e-16 * std::max(1.0, std::fabs(expected)) + 1e-300) << t;
    }
}

// The weights were first computed with an x87 unit: pi x x rounded to 64 bits and
// stored as float, sin(t) / t in extended precision and stored as float. Where long
// double is that format, both results can be compared with it directly.
TEST(Filter, MatchesExtendedPrecisionArithmetic) {
    if constexpr (std::numeric_limits<long double>::digits != 64) {
        GTEST_SKIP() << "long double is not the x87 extended format here";
    } else {
        const long double pi = 0xC.90FDAA22168C235p-2L;
        std::mt19937 random(8);
        std::uniform_int_distribution<std::uint32_t> bits(0x00800000u, 0x7F7FFFFFu);
        for (int i = 0; i < 200000; ++i) {
            const float x = std::bit_cast<float>(bits(random));
            ASSERT_EQ(detail::PiTimes(x), static_cast<float>(pi * x)) << x;
        }
        int differences = 0;
        for (int k = 1; k < 300000; ++k) {
            const float x = k * 1e-5f;
            const float t = static_cast<float>(pi * x);
            const float expected = static_cast<float>(std::sin(static_cast<long double>(t)) / t);
            if (Sinc(x) != expected) ++differences;
        }
        EXPECT_EQ(differences, 0);
    }
}

// ---- contributor lists ----

TEST(Contributors, AxisScale) {
    EXPECT_EQ(AxisScale(100, 50), 49.0f / 99.0f);
    EXPECT_EQ(AxisScale(4, 7), 2.0f);
    EXPECT_EQ(AxisScale(1, 5), 5.0f);
    EXPECT_EQ(AxisScale(5, 1), 0.2f);  // a single target pixel: not 0
    EXPECT_EQ(AxisScale(1, 1), 1.0f);
}

TEST(Contributors, ReflectIndex) {
    const int cases[][3] = {{-1, 5, 1}, {-4, 5, 4}, {5, 5, 4}, {9, 5, 0},  {2, 5, 2}, {-5, 5, 4},
                            {10, 5, 1}, {-3, 1, 0}, {7, 1, 0}, {-3, 2, 0}, {4, 2, 1}, {-2, 2, 1}};
    for (const auto& c : cases) EXPECT_EQ(ReflectIndex(c[0], c[1]), c[2]) << c[0] << " in " << c[1];
    for (int length = 1; length < 6; ++length) {
        for (int position = -40; position <= 40; ++position) {
            const int index = ReflectIndex(position, length);
            EXPECT_GE(index, 0);
            EXPECT_LT(index, length);
        }
    }
}

TEST(Contributors, ListsHoldOnlyNonZeroWeightsInsideTheSource) {
    const int cases[][2] = {{100, 50}, {4, 7}, {1, 9}, {2, 2}, {9, 1}, {1000, 3}, {3, 1000}};
    for (const auto& c : cases) {
        ContributorLists lists;
        ASSERT_TRUE(BuildContributorLists(AxisScale(c[0], c[1]), kLanczos3, c[0], c[1], lists));
        ASSERT_EQ(lists.Count(), c[1]);
        for (int i = 0; i < c[1]; ++i) {
            ASSERT_GT(lists.Length(i), 0);
            for (int k = 0; k < lists.Length(i); ++k) {
                EXPECT_NE(lists.List(i)[k].weight, 0.0f);
                EXPECT_GE(lists.List(i)[k].index, 0);
                EXPECT_LT(lists.List(i)[k].index, c[0]);
            }
        }
    }
}

TEST(Contributors, SameSizeListsCentreWithWeightOne) {
    ContributorLists lists;
    ASSERT_TRUE(BuildContributorLists(1.0f, kLanczos3, 10, 10, lists));
    const Contributor* list = lists.List(5);
    // Positions 2..8; 2 and 8 lie at the filter's radius and weigh 0, the integer
    // positions between weigh Sinc of a rounded multiple of pi: tiny, but kept.
    ASSERT_EQ(lists.Length(5), 5);
    EXPECT_EQ(list[2].index, 5);
    EXPECT_EQ(list[2].weight, 1.0f);
    for (int k : {0, 1, 3, 4}) {
        EXPECT_NE(list[k].weight, 0.0f);
        EXPECT_LT(std::fabs(list[k].weight), 1e-7f);
    }
}

TEST(Contributors, UnusableScalesAreRefused) {
    ContributorLists lists;
    EXPECT_FALSE(BuildContributorLists(0.0f, kLanczos3, 10, 10, lists));
    EXPECT_FALSE(BuildContributorLists(std::numeric_limits<float>::quiet_NaN(), kLanczos3, 10, 10, lists));
    EXPECT_FALSE(BuildContributorLists(1e-12f, kLanczos3, 10, 10, lists));
    EXPECT_EQ(lists.Count(), 0);
}

}  // namespace
}  // namespace tevpng
