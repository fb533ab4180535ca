#pragma once
// Taking written PNG streams apart again: the chunks, the image data, and what libpng
// says about them.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "png_builder.h"

namespace tevtest {

struct ParsedChunk {
    std::string type;
    Bytes data;
    std::uint32_t crc = 0;  // as stored in the stream
};

// The chunks after the 8-byte signature, in stream order; nullopt when the stream has no
// signature or a chunk runs past its end.
std::optional<std::vector<ParsedChunk>> ParseChunks(const Bytes& png);
std::vector<std::string> ChunkTypes(const std::vector<ParsedChunk>& chunks);
// The data of all IDAT chunks inflated (zlib's own inflate); nullopt on a zlib error or
// when the stream does not end.
std::optional<Bytes> InflateImageData(const std::vector<ParsedChunk>& chunks);

// libpng reading the whole stream, every chunk up to IEND, with its own checks on.
struct LibpngVerdict {
    bool read = false;                  // no error
    std::vector<std::string> messages;  // every warning, then the error if any
    int colorType = -1;
    int bitDepth = -1;
    int interlace = -1;
    std::optional<std::uint32_t> gamma;
};
LibpngVerdict ReadStrictlyWithLibpng(const Bytes& png);

}  // namespace tevtest
