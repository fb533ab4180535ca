// The row blends over a 1920 x 1080 surface, side by side with the floor (memcpy of the surface
// bytes) and pixman's OVER (premultiplied a8r8g8b8 over x8r8g8b8), the compositors' blend.
// Every program run ends with the throughput ratios of each blend to pixman and to memcpy.
// Pass --benchmark_report_aggregates_only=true for a shorter table.
//
// Two kinds of image: "random" has a different alpha at every pixel, so nothing can be skipped;
// "shapes" is mostly fully transparent or fully opaque with soft edges, like a sprite or a logo.

#include <benchmark/benchmark.h>
#include <pixman.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "bench_support.h"
#include "codec/blend_row.h"

namespace {

using tevpng::BlendRowKernels;

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr std::size_t kSurfaceBytes = std::size_t{kWidth} * kHeight * 4;
constexpr int kBgrStride = (kWidth * 24 + 31) / 32 * 4;  // rows of a 24-bit DIB
constexpr int kGreyStride = (kWidth * 8 + 31) / 32 * 4;  // rows of an 8-bit DIB

enum class AlphaKind { Random, Shapes };

// One image in every form the blends and pixman read, plus the surface they draw on.
struct Scene {
    std::vector<std::uint8_t> bgr, grey, indices, alpha;
    tevpng::BlendPalette palette;
    std::vector<std::uint32_t> premultiplied;  // pixman's a8r8g8b8 source
    std::vector<std::uint8_t> surface;
    std::vector<std::uint8_t> copy;  // memcpy's destination

    explicit Scene(AlphaKind kind);
};

std::uint8_t ShapeAlpha(int x, int y) {
    // Discs of radius 150 on a 400-pixel grid with a two-pixel ramp at the rim.
    const int dx = x % 400 - 200, dy = y % 400 - 200;
    const int distanceSquared = dx * dx + dy * dy;
    if (distanceSquared <= 148 * 148) return 255;
    if (distanceSquared >= 150 * 150) return 0;
    return static_cast<std::uint8_t>((150 * 150 - distanceSquared) * 255 / (150 * 150 - 148 * 148));
}

Scene::Scene(AlphaKind kind)
    : bgr(std::size_t{kBgrStride} * kHeight),
      grey(std::size_t{kGreyStride} * kHeight),
      indices(std::size_t{kGreyStride} * kHeight),
      alpha(std::size_t{kWidth} * kHeight),
      premultiplied(std::size_t{kWidth} * kHeight),
      surface(kSurfaceBytes),
      copy(kSurfaceBytes) {
    std::mt19937 random(2024);
    for (auto* bytes : {&bgr, &grey, &indices, &surface})
        for (std::uint8_t& b : *bytes) b = static_cast<std::uint8_t>(random());
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const std::size_t i = std::size_t{kWidth} * y + x;
            alpha[i] = kind == AlphaKind::Random ? static_cast<std::uint8_t>(random()) : ShapeAlpha(x, y);
            const std::uint8_t* s = &bgr[std::size_t{kBgrStride} * y + 3 * x];
            const auto pre = [&](unsigned c) { return (c * alpha[i] + 127) / 255; };
            premultiplied[i] = std::uint32_t{alpha[i]} << 24 | pre(s[2]) << 16 | pre(s[1]) << 8 | pre(s[0]);
        }
    }
    std::vector<std::uint8_t> colours(256 * 4), alphaTable(256);
    for (std::uint8_t& b : colours) b = static_cast<std::uint8_t>(random());
    for (int i = 0; i < 256; ++i) alphaTable[i] = kind == AlphaKind::Random ? random() : (i < 128 ? 0 : 255);
    palette = tevpng::MakeBlendPalette(colours.data(), 256, alphaTable.data());
}

Scene& SceneOf(AlphaKind kind) {
    static Scene randomScene(AlphaKind::Random);
    static Scene shapesScene(AlphaKind::Shapes);
    return kind == AlphaKind::Random ? randomScene : shapesScene;
}

void Finish(benchmark::State& state, const Scene& scene) {
    benchmark::DoNotOptimize(scene.surface.data());
    benchmark::ClobberMemory();
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kSurfaceBytes));
}

void Memcpy(benchmark::State& state, AlphaKind kind) {
    Scene& scene = SceneOf(kind);
    for (auto _ : state) {
        std::memcpy(scene.copy.data(), scene.surface.data(), kSurfaceBytes);
        benchmark::DoNotOptimize(scene.copy.data());
        benchmark::ClobberMemory();
    }
    Finish(state, scene);
}

void PixmanOver(benchmark::State& state, AlphaKind kind) {
    Scene& scene = SceneOf(kind);
    pixman_image_t* source =
        pixman_image_create_bits(PIXMAN_a8r8g8b8, kWidth, kHeight, scene.premultiplied.data(), kWidth * 4);
    pixman_image_t* target = pixman_image_create_bits(
        PIXMAN_x8r8g8b8, kWidth, kHeight, reinterpret_cast<std::uint32_t*>(scene.surface.data()), kWidth * 4);
    for (auto _ : state)
        pixman_image_composite32(PIXMAN_OP_OVER, source, nullptr, target, 0, 0, 0, 0, 0, 0, kWidth, kHeight);
    pixman_image_unref(target);
    pixman_image_unref(source);
    Finish(state, scene);
}

enum class Rows { BgrAlpha, GreyAlpha, Palette8 };

void Blend(benchmark::State& state, const BlendRowKernels* kernels, Rows rows, AlphaKind kind) {
    Scene& scene = SceneOf(kind);
    for (auto _ : state) {
        for (int y = 0; y < kHeight; ++y) {
            std::uint8_t* surfaceRow = scene.surface.data() + std::size_t{kWidth} * 4 * y;
            const std::uint8_t* alphaRow = scene.alpha.data() + std::size_t{kWidth} * y;
            // The image rows are walked bottom-up, as the DIB holds them.
            const int dibRow = kHeight - 1 - y;
            switch (rows) {
                case Rows::BgrAlpha:
                    kernels->bgrAlpha(surfaceRow, scene.bgr.data() + std::size_t{kBgrStride} * dibRow,
                                      alphaRow, kWidth);
                    break;
                case Rows::GreyAlpha:
                    kernels->greyAlpha(surfaceRow, scene.grey.data() + std::size_t{kGreyStride} * dibRow,
                                       alphaRow, kWidth);
                    break;
                case Rows::Palette8:
                    kernels->palette(surfaceRow, scene.indices.data() + std::size_t{kGreyStride} * dibRow, 8,
                                     scene.palette, kWidth);
                    break;
            }
        }
    }
    Finish(state, scene);
}

std::vector<const BlendRowKernels*> Kernels() {
    std::vector<const BlendRowKernels*> kernels{&tevpng::ReferenceBlendRows()};
    if (auto* k = tevpng::Sse2BlendRows()) kernels.push_back(k);
    if (auto* k = tevpng::Ssse3BlendRows()) kernels.push_back(k);
    if (auto* k = tevpng::Avx2BlendRows()) kernels.push_back(k);
    return kernels;
}

// Each benchmark runs several times and keeps its fastest run as well: on a shared machine the
// fastest run is the one least disturbed by others.
void Configure(benchmark::internal::Benchmark* benchmark) {
    tevbench::KeepFastest(benchmark->Unit(benchmark::kMicrosecond)->MinTime(0.2)->Repetitions(5));
}

void RegisterAll() {
    const std::pair<const char*, AlphaKind> kinds[] = {{"random", AlphaKind::Random},
                                                       {"shapes", AlphaKind::Shapes}};
    const std::pair<const char*, Rows> rowKinds[] = {
        {"bgr_alpha", Rows::BgrAlpha}, {"grey_alpha", Rows::GreyAlpha}, {"palette8", Rows::Palette8}};
    for (const auto& [kindName, kind] : kinds) {
        const std::string suffix = std::string("/") + kindName;
        Configure(benchmark::RegisterBenchmark(("memcpy" + suffix).c_str(), Memcpy, kind));
        Configure(benchmark::RegisterBenchmark(("pixman_over" + suffix).c_str(), PixmanOver, kind));
        for (const auto& [rowsName, rows] : rowKinds)
            for (const BlendRowKernels* k : Kernels())
                Configure(benchmark::RegisterBenchmark(
                    (std::string(rowsName) + "_" + k->name + suffix).c_str(), Blend, k, rows, kind));
    }
}

// Every blend's throughput as a multiple of pixman's and memcpy's, from CPU times (all of
// them draw the same surface, so a ratio of times is a ratio of throughputs).
void PrintRatios(const tevbench::FastestTimes& times) {
    std::printf("\nThroughput ratios (higher is faster)\n%-28s %12s %12s\n", "blend", "vs pixman",
                "vs memcpy");
    for (const auto& [name, time] : times.Times()) {
        const std::string suffix = name.substr(name.find('/'));
        const double pixman = times.Time("pixman_over" + suffix);
        const double floor = times.Time("memcpy" + suffix);
        if (pixman == 0 || floor == 0 || name.rfind("memcpy", 0) == 0) continue;
        std::printf("%-28s %11.2fx %11.2fx\n", name.c_str(), pixman / time, floor / time);
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RegisterAll();
    tevbench::FastestTimes reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintRatios(reporter);
    benchmark::Shutdown();
    return 0;
}
