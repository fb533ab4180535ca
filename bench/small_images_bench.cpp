// Loading many small images, as sprite frames and icons are: 300 generated ones, 16 to 256
// pixels a side, RGBA with soft alpha, interface icons and palette sprites with tRNS. For
// small images what counts is the fixed cost of each load (allocations, tables, zlib's
// set-up), so tevpng's LoadStream from memory is measured against libpng reading the same
// bytes from memory with its CRC and Adler-32 checks off (tevpng checks neither). The table
// at the end gives tevpng's time over libpng's.
//
//   build/native/small_images_bench --benchmark_repetitions=10 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>
#include <png.h>

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

#include "codec/png_image.h"
#include "synthetic_images.h"
#include "io/memory_stream.h"

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

struct MemoryReader {
    const Bytes* bytes;
    std::size_t position;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t count) {
    auto* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (reader->position + count > reader->bytes->size()) png_error(png, "read past the end");
    std::memcpy(out, reader->bytes->data() + reader->position, count);
    reader->position += count;
}

// libpng at its fastest for these: no CRC or Adler-32 checks, rows straight into one block.
void LibpngUnchecked(benchmark::State& state) {
    for (auto _ : state) {
        for (const auto& image : Images()) {
            png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
            png_infop info = png_create_info_struct(png);
            if (setjmp(png_jmpbuf(png))) std::abort();
            png_set_crc_action(png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
#ifdef PNG_IGNORE_ADLER32
            png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
#endif
            MemoryReader reader{&image.png, 0};
            png_set_read_fn(png, &reader, ReadFromMemory);
            png_read_info(png, info);
            const std::size_t rowBytes = png_get_rowbytes(png, info);
            const std::uint32_t height = png_get_image_height(png, info);
            auto* out = static_cast<std::uint8_t*>(std::malloc(rowBytes * height));
            std::vector<png_bytep> rows(height);
            for (std::uint32_t y = 0; y < height; ++y) rows[y] = out + rowBytes * y;
            png_read_image(png, rows.data());
            png_read_end(png, nullptr);
            benchmark::DoNotOptimize(out);
            std::free(out);
            png_destroy_read_struct(&png, &info, nullptr);
        }
    }
    state.counters["images"] = static_cast<double>(Images().size());
}

// Keeps the fastest repetition of each (other work on a shared machine only ever adds
// time) and prints tevpng's over libpng's.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const bool aggregate = run.run_type == Run::RT_Aggregate;
            if (aggregate && run.aggregate_name != "min") continue;
            const std::string name = run.run_name.function_name;
            if (!aggregate && fromMinimum_.count(name)) continue;
            times_[name] = run.GetAdjustedCPUTime();
            if (aggregate) fromMinimum_[name] = true;
        }
    }
    void PrintRatio() const {
        const double ours = times_.count("tevpng") ? times_.at("tevpng") : 0;
        const double theirs = times_.count("libpng_unchecked") ? times_.at("libpng_unchecked") : 0;
        if (ours == 0 || theirs == 0) return;
        std::printf("\n%zu small images: tevpng %.3f ms, libpng unchecked %.3f ms: %.3fx\n", Images().size(),
                    ours, theirs, ours / theirs);
    }

private:
    std::map<std::string, double> times_;
    std::map<std::string, bool> fromMinimum_;
};

double Fastest(const std::vector<double>& times) { return *std::min_element(times.begin(), times.end()); }

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RegisterBenchmark("tevpng", Tevpng)
        ->Unit(benchmark::kMillisecond)
        ->ComputeStatistics("min", Fastest);
    benchmark::RegisterBenchmark("libpng_unchecked", LibpngUnchecked)
        ->Unit(benchmark::kMillisecond)
        ->ComputeStatistics("min", Fastest);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio();
    benchmark::Shutdown();
    return 0;
}
