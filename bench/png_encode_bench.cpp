// Writing an RGBA image as PNG, side by side with its peers on the same picture:
//   Tevpng     PngImage::SaveStream from the DIB and alpha plane (Sub filter, level 7)
//   Libpng     libpng from ready RGBA rows, Sub filter only, level 7; libpng picks the
//              Z_FILTERED strategy for filtered rows
//   LibpngDefaultStrategy  the same with zlib's default strategy, as we use
//   Floor      zlib alone: deflate at level 7, default strategy, over the Sub-filtered
//              rows made beforehand; what no writer with these settings can beat
// and, to show where the time goes, the writer's own work without compression (level 0)
// and the CRC over a compressed-sized buffer. Counters: "png_bytes" is the output size.
#include <benchmark/benchmark.h>
#include <png.h>
#include <zlib.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "codec/crc.h"
#include "codec/png_image.h"
#include "io/memory_stream.h"
#include "scale/resize.h"
#include "synthetic_images.h"

namespace {

using namespace tevpng;

// Two kinds of picture, the tests' generated ones: "photo" is a photograph with a mask
// (gradients, soft shapes, sensor-like noise of sigma 2, a soft alpha vignette), which
// deflate finds slow and hard to compress; "graphic" is an interface graphic (flat panels,
// anti-aliased edges, strokes like text, a soft shadow) that deflate gets through many
// times faster, so the writer's own work weighs more.
struct Size {
    int width, height;
    bool noise;
};
constexpr Size kSizes[] = {{1920, 1080, true}, {4096, 4096, true}, {1920, 1080, false}, {4096, 4096, false}};

struct Picture {
    int width = 0, height = 0;
    bool noisy = false;
    std::vector<std::uint8_t> rgba;      // PNG order, top row first
    std::vector<std::uint8_t> filtered;  // the rows Sub-filtered, each after its filter byte
    PngImage image;                      // the same pixels as a loaded image holds them

    explicit Picture(Size size) : width(size.width), height(size.height), noisy(size.noise) {
        const tevtest::Picture made =
            noisy ? tevtest::PhotoLike(width, height, 4) : tevtest::FlatGraphic(width, height);
        rgba.reserve(static_cast<std::size_t>(width) * height * 4);
        for (const auto& row : made.rows) rgba.insert(rgba.end(), row.begin(), row.end());
        FilterRows();
        BuildImage();
    }

    std::size_t RowBytes() const { return static_cast<std::size_t>(width) * 4; }

private:
    void FilterRows() {
        filtered.resize((RowBytes() + 1) * height);
        for (int y = 0; y < height; ++y) {
            const std::uint8_t* row = rgba.data() + RowBytes() * y;
            std::uint8_t* out = filtered.data() + (RowBytes() + 1) * y;
            out[0] = 1;
            for (std::size_t i = 0; i < RowBytes(); ++i)
                out[1 + i] = static_cast<std::uint8_t>(row[i] - (i >= 4 ? row[i - 4] : 0));
        }
    }

    void BuildImage() {
        auto header = std::make_unique<HeaderChunk>(image, ChunkKind::Header, "IHDR");
        header->Width = width;
        header->Height = height;
        header->BitDepth = 8;
        header->ColorType = 2;
        if (header->CreatePixelMemory() != LoadError::None || !CreateAlpha(*header)) std::abort();
        for (int y = 0; y < height; ++y) {
            std::uint8_t* dib = header->DibRow(y);
            std::uint8_t* alpha = header->AlphaPlane() + static_cast<std::size_t>(width) * y;
            const std::uint8_t* p = rgba.data() + RowBytes() * y;
            for (int x = 0; x < width; ++x, p += 4) {
                dib[3 * x] = p[2];
                dib[3 * x + 1] = p[1];
                dib[3 * x + 2] = p[0];
                alpha[x] = p[3];
            }
        }
        if (!AssignBitmap(image, std::move(header))) std::abort();
    }
};

Picture& PictureOf(int index) {
    static std::unique_ptr<Picture> pictures[std::size(kSizes)];
    if (!pictures[index]) pictures[index] = std::make_unique<Picture>(kSizes[index]);
    return *pictures[index];
}

void Report(benchmark::State& state, const Picture& picture, std::size_t outputBytes) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * picture.width * picture.height *
                            4);
    state.counters["png_bytes"] = static_cast<double>(outputBytes);
    state.SetLabel(std::to_string(picture.width) + "x" + std::to_string(picture.height) +
                   (picture.noisy ? " photo" : " graphic"));
}

// ---- Ours

void Tevpng(benchmark::State& state, int level) {
    Picture& picture = PictureOf(static_cast<int>(state.range(0)));
    picture.image.CompressionLevel = static_cast<std::uint8_t>(level);
    // One stream for all runs, emptied each time: like the floor's output buffer, its
    // memory is paid for once.
    MemoryStream stream;
    std::size_t size = 0;
    for (auto _ : state) {
        stream.SetSize(0);
        if (!picture.image.SaveStream(stream)) state.SkipWithError("SaveStream failed");
        size = stream.Bytes().size();
        benchmark::DoNotOptimize(stream.Bytes().data());
    }
    picture.image.CompressionLevel = 7;
    Report(state, picture, size);
}

void BM_Tevpng(benchmark::State& state) { Tevpng(state, 7); }
void BM_TevpngLevel0(benchmark::State& state) { Tevpng(state, 0); }

// ---- libpng

void WriteToVector(png_structp png, png_bytep data, png_size_t count) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + count);
}
void FlushNothing(png_structp) {}

std::size_t LibpngWrite(const Picture& picture, std::vector<png_bytep>& rows, bool defaultStrategy) {
    std::vector<std::uint8_t> out;
    out.reserve(picture.rgba.size() + picture.rgba.size() / 8);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return 0;
    }
    png_set_write_fn(png, &out, WriteToVector, FlushNothing);
    png_set_IHDR(png, info, picture.width, picture.height, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
    png_set_compression_level(png, 7);
    if (defaultStrategy) png_set_compression_strategy(png, Z_DEFAULT_STRATEGY);
    png_write_info(png, info);
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    benchmark::DoNotOptimize(out.data());
    return out.size();
}

void Libpng(benchmark::State& state, bool defaultStrategy) {
    Picture& picture = PictureOf(static_cast<int>(state.range(0)));
    std::vector<png_bytep> rows;
    for (int y = 0; y < picture.height; ++y) rows.push_back(picture.rgba.data() + picture.RowBytes() * y);
    std::size_t size = 0;
    for (auto _ : state) {
        size = LibpngWrite(picture, rows, defaultStrategy);
        if (size == 0) state.SkipWithError("libpng failed");
    }
    Report(state, picture, size);
}

void BM_Libpng(benchmark::State& state) { Libpng(state, false); }
void BM_LibpngDefaultStrategy(benchmark::State& state) { Libpng(state, true); }

// ---- The floor: deflate alone over the filtered rows

void Floor(benchmark::State& state, int level) {
    Picture& picture = PictureOf(static_cast<int>(state.range(0)));
    std::vector<std::uint8_t> out(compressBound(static_cast<uLong>(picture.filtered.size())));
    std::size_t size = 0;
    for (auto _ : state) {
        z_stream z{};
        if (deflateInit(&z, level) != Z_OK) state.SkipWithError("deflateInit failed");
        z.next_in = picture.filtered.data();
        z.avail_in = static_cast<uInt>(picture.filtered.size());
        z.next_out = out.data();
        z.avail_out = static_cast<uInt>(out.size());
        if (deflate(&z, Z_FINISH) != Z_STREAM_END) state.SkipWithError("deflate did not finish");
        size = z.total_out;
        deflateEnd(&z);
        benchmark::DoNotOptimize(out.data());
    }
    Report(state, picture, size);
}

void BM_Floor(benchmark::State& state) { Floor(state, 7); }
void BM_FloorLevel0(benchmark::State& state) { Floor(state, 0); }

// ---- Pieces

// The CRC every written byte goes through, over as many bytes as the compressed image has.
void BM_CrcOverCompressedSize(benchmark::State& state) {
    Picture& picture = PictureOf(static_cast<int>(state.range(0)));
    const std::size_t bytes = picture.filtered.size() / 4;
    std::vector<std::uint8_t> data(picture.filtered.begin(),
                                   picture.filtered.begin() + static_cast<std::ptrdiff_t>(bytes));
    for (auto _ : state) benchmark::DoNotOptimize(UpdateCrc(0xFFFFFFFFu, data.data(), data.size()));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(bytes));
}

}  // namespace

BENCHMARK(BM_Tevpng)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Libpng)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LibpngDefaultStrategy)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Floor)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TevpngLevel0)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FloorLevel0)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CrcOverCompressedSize)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
