#include "png_chunks.h"

#include <png.h>
#include <zlib.h>

#include <cstring>

namespace tevtest {

std::optional<std::vector<ParsedChunk>> ParseChunks(const Bytes& png) {
    if (png.size() < 8 || std::memcmp(png.data(), kSignature, 8) != 0) return std::nullopt;
    std::vector<ParsedChunk> chunks;
    std::size_t at = 8;
    while (at < png.size()) {
        if (png.size() - at < 12) return std::nullopt;
        const std::uint32_t length = BigEndian32(png.data() + at);
        if (png.size() - at - 12 < length) return std::nullopt;
        ParsedChunk chunk;
        chunk.type.assign(reinterpret_cast<const char*>(png.data() + at + 4), 4);
        chunk.data.assign(png.begin() + static_cast<std::ptrdiff_t>(at + 8),
                          png.begin() + static_cast<std::ptrdiff_t>(at + 8 + length));
        chunk.crc = BigEndian32(png.data() + at + 8 + length);
        chunks.push_back(std::move(chunk));
        at += 12 + length;
    }
    return chunks;
}

std::vector<std::string> ChunkTypes(const std::vector<ParsedChunk>& chunks) {
    std::vector<std::string> types;
    for (const ParsedChunk& chunk : chunks) types.push_back(chunk.type);
    return types;
}

std::optional<Bytes> InflateImageData(const std::vector<ParsedChunk>& chunks) {
    Bytes compressed;
    for (const ParsedChunk& chunk : chunks) {
        if (chunk.type == "IDAT") compressed.insert(compressed.end(), chunk.data.begin(), chunk.data.end());
    }
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return std::nullopt;
    z.next_in = compressed.data();
    z.avail_in = static_cast<uInt>(compressed.size());
    Bytes out;
    int result = Z_OK;
    while (result == Z_OK) {
        std::uint8_t buffer[65536];
        z.next_out = buffer;
        z.avail_out = sizeof buffer;
        result = inflate(&z, Z_NO_FLUSH);
        out.insert(out.end(), buffer, buffer + (sizeof buffer - z.avail_out));
    }
    const bool ended = result == Z_STREAM_END && z.avail_in == 0;
    inflateEnd(&z);
    if (!ended) return std::nullopt;
    return out;
}

namespace {

struct StrictReader {
    const Bytes* bytes;
    std::size_t position = 0;
    LibpngVerdict* verdict;
};

void ReadBytes(png_structp png, png_bytep out, png_size_t count) {
    auto* reader = static_cast<StrictReader*>(png_get_io_ptr(png));
    if (reader->position + count > reader->bytes->size()) png_error(png, "read past the end");
    std::memcpy(out, reader->bytes->data() + reader->position, count);
    reader->position += count;
}

void OnError(png_structp png, png_const_charp message) {
    auto* verdict = static_cast<LibpngVerdict*>(png_get_error_ptr(png));
    verdict->messages.push_back(std::string("error: ") + message);
    png_longjmp(png, 1);
}

void OnWarning(png_structp png, png_const_charp message) {
    auto* verdict = static_cast<LibpngVerdict*>(png_get_error_ptr(png));
    verdict->messages.push_back(std::string("warning: ") + message);
}

}  // namespace

LibpngVerdict ReadStrictlyWithLibpng(const Bytes& bytes) {
    LibpngVerdict verdict;
    StrictReader reader{&bytes, 0, &verdict};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &verdict, OnError, OnWarning);
    png_infop info = png_create_info_struct(png);
    png_infop endInfo = png_create_info_struct(png);
    Bytes image;
    std::vector<png_bytep> rows;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, &endInfo);
        return verdict;
    }
    png_set_read_fn(png, &reader, ReadBytes);
    png_read_info(png, info);
    verdict.colorType = png_get_color_type(png, info);
    verdict.bitDepth = png_get_bit_depth(png, info);
    verdict.interlace = png_get_interlace_type(png, info);
    png_fixed_point gamma = 0;
    if (png_get_gAMA_fixed(png, info, &gamma)) verdict.gamma = static_cast<std::uint32_t>(gamma);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const std::size_t rowBytes = png_get_rowbytes(png, info);
    const std::size_t height = png_get_image_height(png, info);
    image.resize(rowBytes * height);
    for (std::size_t y = 0; y < height; ++y) rows.push_back(image.data() + rowBytes * y);
    png_read_image(png, rows.data());
    png_read_end(png, endInfo);
    png_destroy_read_struct(&png, &info, &endInfo);
    verdict.read = true;
    return verdict;
}

}  // namespace tevtest
