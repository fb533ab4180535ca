// Decoding the same PNG files with tevpng, libspng and libpng, beside the floor every
// decoder stands on: zlib inflating the image's IDAT bytes into fresh memory. At the end
// a table gives each decoder's time as a multiple of that floor.
//
//   build/native/png_decode_bench --benchmark_repetitions=10 --benchmark_enable_random_interleaving=true
//       --benchmark_report_aggregates_only=true [--benchmark_filter=...]
#include <benchmark/benchmark.h>
#include <png.h>
#include <spng.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "bench_support.h"
#include "codec/png_image.h"
#include "io/memory_stream.h"
#include "synthetic_images.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// ---- Test pictures: the tests' generated ones (synthetic_images.h), encoded by libpng.

// Interleaved 8-bit samples of a generated picture, top row first.
Bytes Samples(const tevtest::Picture& picture) {
    Bytes samples;
    for (const auto& row : picture.rows) samples.insert(samples.end(), row.begin(), row.end());
    return samples;
}

// The photo reduced to a 6 x 7 x 6 colour cube, as indices.
Bytes PaletteIndices(const Bytes& rgb, Bytes& palette) {
    palette.clear();
    for (int r = 0; r < 6; ++r) {
        for (int g = 0; g < 7; ++g) {
            for (int b = 0; b < 6; ++b)
                palette.insert(palette.end(),
                               {std::uint8_t(r * 51), std::uint8_t(g * 42), std::uint8_t(b * 51)});
        }
    }
    Bytes indices(rgb.size() / 3);
    for (std::size_t i = 0; i < indices.size(); ++i) {
        const int r = (rgb[3 * i] * 5 + 127) / 255, g = (rgb[3 * i + 1] * 6 + 127) / 255,
                  b = (rgb[3 * i + 2] * 5 + 127) / 255;
        indices[i] = static_cast<std::uint8_t>((r * 7 + g) * 6 + b);
    }
    return indices;
}

void WriteToMemory(png_structp png, png_bytep data, png_size_t count) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + count);
}

// libpng with its defaults: compression level 6 and its adaptive filter choice per row.
Bytes EncodePng(int width, int height, int colorType, bool interlaced, const Bytes& samples,
                const Bytes& palette = {}, const Bytes& transparency = {}) {
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) std::abort();
    png_set_write_fn(png, &out, WriteToMemory, nullptr);
    png_set_IHDR(png, info, width, height, 8, colorType,
                 interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> colours;
    for (std::size_t i = 0; i + 2 < palette.size(); i += 3)
        colours.push_back({palette[i], palette[i + 1], palette[i + 2]});
    if (!colours.empty()) png_set_PLTE(png, info, colours.data(), static_cast<int>(colours.size()));
    if (!transparency.empty()) {
        png_set_tRNS(png, info, transparency.data(), static_cast<int>(transparency.size()), nullptr);
    }
    png_write_info(png, info);
    const std::size_t rowBytes = samples.size() / height;
    std::vector<png_bytep> rows;
    for (int y = 0; y < height; ++y) rows.push_back(const_cast<png_bytep>(samples.data() + rowBytes * y));
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

struct TestFile {
    std::string name;
    Bytes png;
    Bytes idat;                // the concatenated IDAT data: one zlib stream
    std::size_t inflatedSize;  // bytes of filtered rows it inflates to
};

TestFile MakeFile(std::string name, Bytes png) {
    TestFile file{std::move(name), std::move(png), {}, 0};
    for (std::size_t at = 8; at + 8 <= file.png.size();) {
        const std::uint32_t length = tevtest::BigEndian32(&file.png[at]);
        if (std::memcmp(&file.png[at + 4], "IDAT", 4) == 0) {
            file.idat.insert(file.idat.end(), file.png.begin() + at + 8, file.png.begin() + at + 8 + length);
        }
        at += 12 + length;
    }
    z_stream z{};
    inflateInit(&z);
    Bytes sink(1 << 20);
    z.next_in = file.idat.data();
    z.avail_in = static_cast<uInt>(file.idat.size());
    int result = Z_OK;
    while (result == Z_OK) {
        z.next_out = sink.data();
        z.avail_out = static_cast<uInt>(sink.size());
        result = inflate(&z, Z_NO_FLUSH);
    }
    file.inflatedSize = z.total_out;
    inflateEnd(&z);
    return file;
}

const std::vector<TestFile>& Files() {
    static const std::vector<TestFile> files = [] {
        std::vector<TestFile> made;
        const tevtest::Picture rgba1080 = tevtest::PhotoLike(1920, 1080, 4, 1);
        made.push_back(
            MakeFile("rgba_1920x1080", EncodePng(1920, 1080, PNG_COLOR_TYPE_RGBA, false, Samples(rgba1080))));
        made.push_back(MakeFile("rgba_4096x4096", EncodePng(4096, 4096, PNG_COLOR_TYPE_RGBA, false,
                                                            Samples(tevtest::PhotoLike(4096, 4096, 4, 2)))));
        const Bytes rgb1080 = Samples(tevtest::PhotoLike(1920, 1080, 3, 3));
        made.push_back(MakeFile("rgb_1920x1080", EncodePng(1920, 1080, PNG_COLOR_TYPE_RGB, false, rgb1080)));
        made.push_back(MakeFile("rgb_4096x4096", EncodePng(4096, 4096, PNG_COLOR_TYPE_RGB, false,
                                                           Samples(tevtest::PhotoLike(4096, 4096, 3, 4)))));
        made.push_back(MakeFile("rgba_1920x1080_adam7",
                                EncodePng(1920, 1080, PNG_COLOR_TYPE_RGBA, true, Samples(rgba1080))));
        Bytes palette;
        const Bytes indices = PaletteIndices(rgb1080, palette);
        made.push_back(MakeFile("palette_1920x1080",
                                EncodePng(1920, 1080, PNG_COLOR_TYPE_PALETTE, false, indices, palette)));
        made.push_back(MakeFile(
            "ui_graphic_1920x1080",
            EncodePng(1920, 1080, PNG_COLOR_TYPE_RGBA, false, Samples(tevtest::FlatGraphic(1920, 1080)))));
        const tevtest::Picture sprite = tevtest::PaletteSprite(256, 256);
        made.push_back(
            MakeFile("sprite_trns_256x256", EncodePng(256, 256, PNG_COLOR_TYPE_PALETTE, false,
                                                      Samples(sprite), sprite.palette, sprite.transparency)));
        // TEVPNG_BENCH_DUMP=dir writes the files out, to look at them with other tools.
        if (const char* dir = std::getenv("TEVPNG_BENCH_DUMP")) {
            for (const TestFile& file : made) {
                if (FILE* out = std::fopen((std::string(dir) + "/" + file.name + ".png").c_str(), "wb")) {
                    std::fwrite(file.png.data(), 1, file.png.size(), out);
                    std::fclose(out);
                }
            }
        }
        return made;
    }();
    return files;
}

// ---- The decoders

void Floor(benchmark::State& state, const TestFile& file) {
    for (auto _ : state) {
        auto* out = static_cast<std::uint8_t*>(std::malloc(file.inflatedSize));
        z_stream z{};
        inflateInit(&z);
        z.next_in = const_cast<std::uint8_t*>(file.idat.data());
        z.avail_in = static_cast<uInt>(file.idat.size());
        z.next_out = out;
        z.avail_out = static_cast<uInt>(file.inflatedSize);
        if (inflate(&z, Z_FINISH) != Z_STREAM_END) state.SkipWithError("inflate failed");
        inflateEnd(&z);
        benchmark::DoNotOptimize(out);
        std::free(out);
    }
}

void Tevpng(benchmark::State& state, const TestFile& file) {
    tevpng::MemoryStream stream(file.png);
    for (auto _ : state) {
        stream.Seek(0, tevpng::SeekOrigin::Begin);
        tevpng::PngImage image;
        if (!image.LoadStream(stream) || image.LastError != tevpng::LoadError::None)
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(image.ImageHeader()->PixelBits());
    }
}

void Spng(benchmark::State& state, const TestFile& file) {
    for (auto _ : state) {
        spng_ctx* ctx = spng_ctx_new(0);
        spng_set_png_buffer(ctx, file.png.data(), file.png.size());
        std::size_t size = 0;
        spng_decoded_image_size(ctx, SPNG_FMT_PNG, &size);
        auto* out = static_cast<std::uint8_t*>(std::malloc(size));
        if (spng_decode_image(ctx, out, size, SPNG_FMT_PNG, 0) != 0) state.SkipWithError("spng failed");
        benchmark::DoNotOptimize(out);
        std::free(out);
        spng_ctx_free(ctx);
    }
}

void Libpng(benchmark::State& state, const TestFile& file) {
    for (auto _ : state) tevbench::DecodeWithLibpng(file.png, tevbench::LibpngChecks::Verified);
}

// ---- Ratios

// Every decoder's time over the floor of the same file.
void PrintRatios(const tevbench::FastestTimes& times) {
    std::printf("\nTime over the zlib inflate floor (lower is better):\n");
    std::printf("%-24s %10s %9s %9s %9s\n", "file", "floor ms", "tevpng", "libspng", "libpng");
    for (const TestFile& file : Files()) {
        auto time = [&](const char* decoder) { return times.Time(file.name + "/" + decoder); };
        const double floor = time("zlib_floor");
        if (floor == 0) continue;
        std::printf("%-24s %10.2f %8.3fx %8.3fx %8.3fx\n", file.name.c_str(), floor, time("tevpng") / floor,
                    time("libspng") / floor, time("libpng") / floor);
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    using Decoder = void (*)(benchmark::State&, const TestFile&);
    const std::pair<const char*, Decoder> decoders[] = {
        {"zlib_floor", Floor}, {"tevpng", Tevpng}, {"libspng", Spng}, {"libpng", Libpng}};
    for (const TestFile& file : Files()) {
        for (auto [name, decode] : decoders) {
            const TestFile* f = &file;
            tevbench::KeepFastest(
                benchmark::RegisterBenchmark((file.name + "/" + name).c_str(), [f, decode = decode](
                                                                                   benchmark::State& s) {
                    decode(s, *f);
                })->Unit(benchmark::kMillisecond));
        }
    }
    tevbench::FastestTimes reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintRatios(reporter);
    benchmark::Shutdown();
    return 0;
}
