// Lanczos-3 resize of an RGBA picture against stb_image_resize (Catmull-Rom, the
// sharpest filter it has) on the same picture. Ours takes the picture the way the
// image object holds it (blue, green, red rows plus an alpha plane), stb as RGBA.
// Compare the OursOnLevel/best/... and Stb/... lines of one run, in CPU time (the
// machines are shared), for instance the medians and minima of
//   resize_bench --benchmark_repetitions=9 --benchmark_report_aggregates_only=true

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "bench_support.h"
#include "scale/resampler.h"
#include "scale/weighted_sum.h"

#define STB_IMAGE_RESIZE_IMPLEMENTATION
#define STB_IMAGE_RESIZE_STATIC
#include <stb_image_resize.h>

namespace {

using namespace tevpng;

// A photograph-like picture: smooth shading, hard edges, a little noise, a soft alpha.
struct Picture {
    int width, height;
    std::vector<std::uint8_t> rgba, bgr, alpha;

    Picture(int w, int h)
        : width(w),
          height(h),
          rgba(std::size_t(w) * h * 4),
          bgr(std::size_t(w) * h * 3),
          alpha(std::size_t(w) * h) {
        std::uint32_t state = 12345;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                state = state * 1664525u + 1013904223u;
                const int noise = static_cast<int>(state >> 29);
                const bool inside = ((x / 97) + (y / 61)) % 3 == 0;
                const std::uint8_t r = static_cast<std::uint8_t>((x * 255 / w + noise) & 255);
                const std::uint8_t g = static_cast<std::uint8_t>(inside ? 230 - noise : (y * 255 / h) & 255);
                const std::uint8_t b =
                    static_cast<std::uint8_t>(((x + y) * 128 / (w + h) + 64 + noise) & 255);
                const std::uint8_t a = static_cast<std::uint8_t>(inside ? 255 : (x * 7 + y * 3) & 255);
                const std::size_t i = std::size_t(y) * w + x;
                rgba[4 * i] = r, rgba[4 * i + 1] = g, rgba[4 * i + 2] = b, rgba[4 * i + 3] = a;
                bgr[3 * i] = b, bgr[3 * i + 1] = g, bgr[3 * i + 2] = r;
                alpha[i] = a;
            }
        }
    }
};

const Picture& PictureOf(int w) {
    static const Picture hd(1920, 1080), square(4096, 4096);
    return w == 1920 ? hd : square;
}

// Colour and alpha resampled together on one kernel level, as ResampleColorAndAlpha
// does on the best one.
void OursOnLevel(benchmark::State& state, detail::SimdLevel level) {
    if (!detail::SimdLevelAvailable(level)) {
        state.SkipWithError("kernel not available here");
        return;
    }
    const Picture& p = PictureOf(static_cast<int>(state.range(0)));
    const int w = static_cast<int>(state.range(2)), h = static_cast<int>(state.range(3));
    ResampledImage out;
    for (auto _ : state) {
        const StretchResult result =
            detail::ResampleColorAndAlphaWith(level, {p.bgr.data(), p.width, p.height, 3, p.width * 3},
                                              {p.alpha.data(), p.width, p.height, 1, p.width}, w, h, out);
        if (!result) state.SkipWithError(result.Message());
        benchmark::DoNotOptimize(out.color.View().pixels);
    }
    state.SetLabel(detail::SimdLevelName(level));
}

void Stb(benchmark::State& state) {
    const Picture& p = PictureOf(static_cast<int>(state.range(0)));
    const int w = static_cast<int>(state.range(2)), h = static_cast<int>(state.range(3));
    std::vector<std::uint8_t> out(std::size_t(w) * h * 4);
    for (auto _ : state) {
        // Alpha as a fourth independent channel, as ours treats it.
        const int ok =
            stbir_resize_uint8_generic(p.rgba.data(), p.width, p.height, p.width * 4, out.data(), w, h, w * 4,
                                       4, STBIR_ALPHA_CHANNEL_NONE, 0, STBIR_EDGE_REFLECT,
                                       STBIR_FILTER_CATMULLROM, STBIR_COLORSPACE_LINEAR, nullptr);
        if (!ok) state.SkipWithError("stbir failed");
        benchmark::DoNotOptimize(out.data());
    }
}

// Building the four contributor lists alone (part of every resize above).
void Lists(benchmark::State& state) {
    const int sw = static_cast<int>(state.range(0)), sh = static_cast<int>(state.range(1));
    const int w = static_cast<int>(state.range(2)), h = static_cast<int>(state.range(3));
    ContributorLists horizontal, vertical;
    for (auto _ : state) {
        BuildContributorLists(AxisScale(sw, w), kLanczos3, sw, w, horizontal);
        BuildContributorLists(AxisScale(sh, h), kLanczos3, sh, h, vertical);
        benchmark::DoNotOptimize(horizontal.List(0));
    }
}

void Sizes(benchmark::internal::Benchmark* b) {
    b->Args({1920, 1080, 960, 540})->Args({1920, 1080, 3840, 2160})->Args({4096, 4096, 1000, 1000});
    b->ArgNames({"sw", "sh", "dw", "dh"})->Unit(benchmark::kMillisecond);
    tevbench::KeepFastest(b);
}

// Ours: the level Stretch picks on this processor.
BENCHMARK_CAPTURE(OursOnLevel, best, detail::BestSimdLevel())->Apply(Sizes);
BENCHMARK(Stb)->Apply(Sizes);
BENCHMARK_CAPTURE(OursOnLevel, sse2, detail::SimdLevel::Sse2)->Apply(Sizes);
BENCHMARK_CAPTURE(OursOnLevel, avx2, detail::SimdLevel::Avx2)->Apply(Sizes);
BENCHMARK_CAPTURE(OursOnLevel, avx512, detail::SimdLevel::Avx512)->Apply(Sizes);
BENCHMARK(Lists)->Apply(Sizes);

}  // namespace
