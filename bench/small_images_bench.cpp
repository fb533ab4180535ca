// Loading many small images, as sprite frames and icons are: 300 generated ones, 16 to 256
// pixels a side, RGBA with soft alpha, interface icons and palette sprites with tRNS. For
// small images what counts is the fixed cost of each load (allocations, tables, zlib's
// set-up), so tevpng's LoadStream from memory is measured against libpng reading the same
// bytes from memory with its CRC and Adler-32 checks off (tevpng checks neither). The table
// at the end gives tevpng's time over libpng's.
//
//   build/native/small_images_bench --benchmark_repetitions=10 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "bench_support.h"
#include "codec/png_image.h"
#include "io/memory_stream.h"
#include "synthetic_images.h"

namespace {

using tevtest::Bytes;

// TEVPNG_SMALL_IMAGES=dir measures the PNG files under dir instead (real icons, say; files
// of 64 KB and less).
std::vector<tevtest::NamedPng> FilesUnder(const char* directory) {
    std::vector<tevtest::NamedPng> images;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(directory)) {
        if (!entry.is_regular_file() || entry.path().extension() != ".png" || entry.file_size() > 65536)
            continue;
        std::ifstream file(entry.path(), std::ios::binary);
        Bytes bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
        tevpng::MemoryStream stream(bytes);
        tevpng::PngImage probe;
        if (probe.LoadStream(stream) && probe.LastError == tevpng::LoadError::None)
            images.push_back({entry.path().string(), std::move(bytes)});
    }
    return images;
}

const std::vector<tevtest::NamedPng>& Images() {
    static const std::vector<tevtest::NamedPng> images = [] {
        if (const char* directory = std::getenv("TEVPNG_SMALL_IMAGES")) return FilesUnder(directory);
        return tevtest::SmallImages(300, 42);
    }();
    return images;
}

void Tevpng(benchmark::State& state) {
    std::vector<std::unique_ptr<tevpng::MemoryStream>> streams;
    for (const auto& image : Images()) streams.push_back(std::make_unique<tevpng::MemoryStream>(image.png));
    for (auto _ : state) {
        for (auto& stream : streams) {
            stream->Seek(0, tevpng::SeekOrigin::Begin);
            tevpng::PngImage image;
            if (!image.LoadStream(*stream)) state.SkipWithError("load failed");
            benchmark::DoNotOptimize(image.ImageHeader()->PixelBits());
        }
    }
    state.counters["images"] = static_cast<double>(Images().size());
}

// libpng at its fastest for these: no CRC or Adler-32 checks, rows straight into one block.
void LibpngUnchecked(benchmark::State& state) {
    for (auto _ : state) {
        for (const auto& image : Images())
            tevbench::DecodeWithLibpng(image.png, tevbench::LibpngChecks::Unchecked);
    }
    state.counters["images"] = static_cast<double>(Images().size());
}

// tevpng's time over libpng's.
void PrintRatio(const tevbench::FastestTimes& times) {
    const double ours = times.Time("tevpng");
    const double theirs = times.Time("libpng_unchecked");
    if (ours == 0 || theirs == 0) return;
    std::printf("\n%zu small images: tevpng %.3f ms, libpng unchecked %.3f ms: %.3fx\n", Images().size(),
                ours, theirs, ours / theirs);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    tevbench::KeepFastest(benchmark::RegisterBenchmark("tevpng", Tevpng)->Unit(benchmark::kMillisecond));
    tevbench::KeepFastest(
        benchmark::RegisterBenchmark("libpng_unchecked", LibpngUnchecked)->Unit(benchmark::kMillisecond));
    tevbench::FastestTimes reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintRatio(reporter);
    benchmark::Shutdown();
    return 0;
}
