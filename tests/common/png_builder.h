#pragma once
// Builds PNG byte streams by hand, chunk by chunk, so tests can make exactly the file they need.

#include <cstdint>
#include <string_view>
#include <vector>

namespace tevtest {

using Bytes = std::vector<std::uint8_t>;

// The zlib stream of raw bytes (zlib's own compress, independent of the code under test).
Bytes Zlib(const Bytes& raw, int level = 6);
// Image data of unfiltered rows: every row gets the filter byte `filter` in front.
Bytes FilteredRows(const std::vector<Bytes>& rows, std::uint8_t filter = 0);
// A chunk's CRC computed with zlib's crc32.
std::uint32_t ReferenceChunkCrc(std::string_view type, const Bytes& data);

// The tests' own copies of the format's byte-level facts, kept apart from the code they test.
inline constexpr std::uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
void AppendBigEndian32(Bytes& out, std::uint32_t value);
inline std::uint32_t BigEndian32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
           static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}

class PngBytes {
public:
    PngBytes& Signature();
    PngBytes& Chunk(std::string_view type, const Bytes& data);
    PngBytes& ChunkWithCrc(std::string_view type, const Bytes& data, std::uint32_t crc);
    // Only a length and a type, nothing after them.
    PngBytes& ChunkHead(std::uint32_t length, std::string_view type);
    PngBytes& Raw(const Bytes& bytes);
    PngBytes& Ihdr(std::uint32_t width, std::uint32_t height, std::uint8_t depth, std::uint8_t colorType,
                   std::uint8_t interlace = 0, std::uint8_t compression = 0);
    // The zlib data split into IDAT chunks of at most chunkSize bytes.
    PngBytes& Idat(const Bytes& zlibData, std::size_t chunkSize = SIZE_MAX);
    PngBytes& Iend();

    // Signature, then Ihdr.
    static PngBytes Start(std::uint32_t width, std::uint32_t height, std::uint8_t depth,
                          std::uint8_t colorType, std::uint8_t interlace = 0);

    const Bytes& bytes() const { return bytes_; }

private:
    Bytes bytes_;
};

}  // namespace tevtest
