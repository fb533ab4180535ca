#include "png_builder.h"

#include <zlib.h>

#include <algorithm>
#include <iterator>
#include <stdexcept>

namespace tevtest {

Bytes Zlib(const Bytes& raw, int level) {
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    Bytes out(size);
    if (compress2(out.data(), &size, raw.data(), static_cast<uLong>(raw.size()), level) != Z_OK) {
        throw std::runtime_error("compress2 failed");
    }
    out.resize(size);
    return out;
}

Bytes FilteredRows(const std::vector<Bytes>& rows, std::uint8_t filter) {
    Bytes out;
    for (const Bytes& row : rows) {
        out.push_back(filter);
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

std::uint32_t ReferenceChunkCrc(std::string_view type, const Bytes& data) {
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(type.data()), static_cast<uInt>(type.size()));
    if (!data.empty()) crc = crc32(crc, data.data(), static_cast<uInt>(data.size()));
    return static_cast<std::uint32_t>(crc);
}

void AppendBigEndian32(Bytes& out, std::uint32_t value) {
    out.insert(out.end(), {static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
                           static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)});
}

PngBytes& PngBytes::Signature() {
    bytes_.insert(bytes_.end(), std::begin(kSignature), std::end(kSignature));
    return *this;
}

PngBytes& PngBytes::Chunk(std::string_view type, const Bytes& data) {
    return ChunkWithCrc(type, data, ReferenceChunkCrc(type, data));
}

PngBytes& PngBytes::ChunkWithCrc(std::string_view type, const Bytes& data, std::uint32_t crc) {
    ChunkHead(static_cast<std::uint32_t>(data.size()), type);
    bytes_.insert(bytes_.end(), data.begin(), data.end());
    AppendBigEndian32(bytes_, crc);
    return *this;
}

PngBytes& PngBytes::ChunkHead(std::uint32_t length, std::string_view type) {
    AppendBigEndian32(bytes_, length);
    bytes_.insert(bytes_.end(), type.begin(), type.end());
    return *this;
}

PngBytes& PngBytes::Raw(const Bytes& bytes) {
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    return *this;
}

PngBytes& PngBytes::Ihdr(std::uint32_t width, std::uint32_t height, std::uint8_t depth,
                         std::uint8_t colorType, std::uint8_t interlace, std::uint8_t compression) {
    Bytes data;
    AppendBigEndian32(data, width);
    AppendBigEndian32(data, height);
    data.insert(data.end(), {depth, colorType, compression, 0, interlace});
    return Chunk("IHDR", data);
}

PngBytes& PngBytes::Idat(const Bytes& zlibData, std::size_t chunkSize) {
    for (std::size_t at = 0; at < zlibData.size(); at += chunkSize) {
        std::size_t size = std::min(chunkSize, zlibData.size() - at);
        Chunk("IDAT", Bytes(zlibData.begin() + at, zlibData.begin() + at + size));
    }
    return *this;
}

PngBytes& PngBytes::Iend() { return Chunk("IEND", {}); }

PngBytes PngBytes::Start(std::uint32_t width, std::uint32_t height, std::uint8_t depth,
                         std::uint8_t colorType, std::uint8_t interlace) {
    PngBytes png;
    png.Signature().Ihdr(width, height, depth, colorType, interlace);
    return png;
}

}  // namespace tevtest
