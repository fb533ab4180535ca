#include "bench_support.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdlib>
#include <cstring>

namespace tevbench {

benchmark::internal::Benchmark* KeepFastest(benchmark::internal::Benchmark* benchmark) {
    return benchmark->ComputeStatistics("min", [](const std::vector<double>& times) {
        return *std::min_element(times.begin(), times.end());
    });
}

void FastestTimes::ReportRuns(const std::vector<Run>& runs) {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
        const std::string name = run.run_name.function_name;
        if (run.run_type == Run::RT_Aggregate) {
            if (run.aggregate_name != "min") continue;
            fromMinimum_[name] = true;
        } else if (fromMinimum_.count(name)) {
            continue;
        }
        times_[name] = run.GetAdjustedCPUTime();
    }
}

double FastestTimes::Time(const std::string& name) const {
    const auto found = times_.find(name);
    return found == times_.end() ? 0.0 : found->second;
}

namespace {

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

}  // namespace

void DecodeWithLibpng(const Bytes& file, LibpngChecks checks) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) std::abort();
    if (checks == LibpngChecks::Unchecked) {
        png_set_crc_action(png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
#ifdef PNG_IGNORE_ADLER32
        png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
#endif
    }
    MemoryReader reader{&file, 0};
    png_set_read_fn(png, &reader, ReadFromMemory);
    png_read_info(png, info);
    if (png_get_interlace_type(png, info) != PNG_INTERLACE_NONE) {
        png_set_interlace_handling(png);
        png_read_update_info(png, info);
    }
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

}  // namespace tevbench
