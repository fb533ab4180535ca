// Loads PNG files built from a sequence of chunk runs, so that a few input bytes reach
// files of many thousands of chunks: every run is a chunk kind, a repeat count of up to
// 65536 and a data length. Whatever the sequence, the load must end in time and memory in
// proportion to the file, keep no more ancillary chunks and bytes than the limits allow,
// and report readable pixels.
//
// Input: one byte choosing the header (size, colour type, interlace), then runs of four
// bytes each: kind (low 4 bits; bit 4 spoils the CRCs, bit 5 cuts the file after this
// run, bit 6 makes a long run), repeat count (1 to 16 from the low bits of the next byte,
// or for a long run the next two bytes, little-endian, plus one), data length.
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string_view>
#include <vector>

#include "codec/png_format.h"
#include "codec/png_image.h"
#include "fuzz_target.h"
#include "io/memory_stream.h"

namespace {

using namespace tevpng;
using Bytes = std::vector<std::uint8_t>;

void Check(bool condition) {
    if (!condition) std::abort();
}

// Enough for a hundred thousand chunks; more only makes the run slow.
constexpr std::size_t kMaxFileBytes = 2u << 20;

constexpr std::string_view kKinds[] = {"IHDR", "PLTE", "IDAT", "gAMA", "tRNS", "tEXt", "tIME", "IEND",
                                       "cHRM", "prVt", "CRIT", "zTXt", "iTXt", "sRGB", "idat", "IDAT"};

struct Header {
    std::uint8_t width, height, depth, colorType, interlace;
};

Header HeaderFrom(std::uint8_t byte) {
    static constexpr std::uint8_t kTypes[][2] = {{6, 8}, {2, 8}, {3, 8}, {0, 8},
                                                 {4, 8}, {3, 1}, {0, 2}, {6, 16}};
    const auto& type = kTypes[byte & 7];
    return {static_cast<std::uint8_t>(1 + ((byte >> 3) & 7) * 9),
            static_cast<std::uint8_t>(1 + ((byte >> 5) & 3) * 11), type[1], type[0],
            static_cast<std::uint8_t>(byte >> 7)};
}

void Append32(Bytes& out, std::uint32_t value) {
    out.resize(out.size() + 4);
    tevpng::WriteBigEndian32(out.data() + out.size() - 4, value);
}

void AppendChunk(Bytes& out, std::string_view type, const Bytes& data, bool spoilCrc) {
    Append32(out, static_cast<std::uint32_t>(data.size()));
    out.insert(out.end(), type.begin(), type.end());
    out.insert(out.end(), data.begin(), data.end());
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(type.data()), 4);
    if (!data.empty()) crc = crc32(crc, data.data(), static_cast<uInt>(data.size()));
    Append32(out, static_cast<std::uint32_t>(crc) ^ (spoilCrc ? 1u : 0u));
}

// The zlib stream of the header's rows (rows of a plain pattern, every filter type in turn).
Bytes ImageData(const Header& h) {
    const int channels = h.colorType == 6 ? 4 : h.colorType == 2 ? 3 : h.colorType == 4 ? 2 : 1;
    const std::size_t rowBytes = (static_cast<std::size_t>(h.width) * channels * h.depth + 7) / 8;
    Bytes raw;
    for (int y = 0; y < h.height; ++y) {
        raw.push_back(static_cast<std::uint8_t>(y % 5));
        for (std::size_t i = 0; i < rowBytes; ++i) raw.push_back(static_cast<std::uint8_t>(i * 7 + y * 13));
    }
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    Bytes out(size);
    compress2(out.data(), &size, raw.data(), static_cast<uLong>(raw.size()), 1);
    out.resize(size);
    return out;
}

// The data of one chunk of a run: for the kinds the reader decodes, something of the right
// shape when the length allows it, else bytes of a counter.
Bytes ChunkData(std::string_view type, std::size_t length, const Header& h, const Bytes& imageData,
                int index) {
    if (type == "IHDR") {
        Bytes data;
        Append32(data, h.width);
        Append32(data, h.height);
        data.insert(data.end(), {h.depth, h.colorType, 0, 0, h.interlace});
        data.resize(length < 13 ? length : 13 + length % 4);
        return data;
    }
    if (type == "IDAT" && length == 0) return imageData;  // the image data, whole
    if (type == "tEXt") {
        Bytes data = {'k', 0};
        data.resize(length, static_cast<std::uint8_t>('a' + index % 26));
        return data;
    }
    Bytes data(length);
    for (std::size_t i = 0; i < length; ++i) data[i] = static_cast<std::uint8_t>(i * 31 + index);
    return data;
}

Bytes BuildFile(const std::uint8_t* data, std::size_t size) {
    const Header header = HeaderFrom(size > 0 ? data[0] : 0);
    const Bytes imageData = ImageData(header);
    Bytes file(std::begin(tevpng::kPngSignature), std::end(tevpng::kPngSignature));
    for (std::size_t at = 1; at + 4 <= size && file.size() < kMaxFileBytes; at += 4) {
        const std::uint8_t kind = data[at];
        const std::string_view type = kKinds[kind & 15];
        const int count = 1 + ((kind & 64) ? data[at + 1] | data[at + 2] << 8 : data[at + 1] & 15);
        const std::size_t length = data[at + 3];
        for (int i = 0; i < count && file.size() < kMaxFileBytes; ++i) {
            AppendChunk(file, type, ChunkData(type, length, header, imageData, i), (kind & 16) != 0);
        }
        if (kind & 32) {
            file.resize(file.size() - file.size() % 7);  // cut somewhere inside the last chunk
            break;
        }
    }
    return file;
}

unsigned Touch(const HeaderChunk& header) {
    unsigned sum = 0;
    if (header.PixelBits() == nullptr) return 0;
    for (std::size_t i = 0; i < header.PixelBytes(); i += 61) sum += header.PixelBits()[i];
    if (header.AlphaPlane() != nullptr) {
        const std::size_t bytes = static_cast<std::size_t>(header.Width) * header.Height;
        for (std::size_t i = 0; i < bytes; i += 61) sum += header.AlphaPlane()[i];
    }
    return sum;
}

void LoadOnce(const Bytes& file, bool verifyCrc) {
    MemoryStream stream(file.data(), file.size());
    PngImage image;
    image.VerifyCrc = verifyCrc;
    const bool loaded = image.LoadStream(stream);
    Check(stream.Size() == static_cast<std::int64_t>(file.size()));
    if (loaded) Check(image.HasHeader() && image.FindChunk("IDAT") != nullptr);
    int ancillary = 0;
    std::uint64_t ancillaryBytes = 0;
    for (const auto& chunk : image.Chunks()) {
        const ChunkKind kind = chunk->Kind();
        if (kind != ChunkKind::Text && kind != ChunkKind::Time && kind != ChunkKind::Other) continue;
        ++ancillary;
        ancillaryBytes += static_cast<std::uint64_t>(chunk->DataSize());
    }
    Check(ancillary <= kAncillaryChunkLimit && ancillaryBytes <= kAncillaryBytesLimit);
    if (const HeaderChunk* header = image.ImageHeader()) {
        volatile unsigned sink = Touch(*header);
        (void)sink;
    }
}

}  // namespace

TEVPNG_FUZZ_TARGET(chunk_sequence_fuzz) {
    const Bytes file = BuildFile(data, size);
    LoadOnce(file, false);
    LoadOnce(file, true);
    return 0;
}
