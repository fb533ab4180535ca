#pragma once
// libpng as the independent decoder and encoder of the tests.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tevtest {

struct ReferenceImage {
    int width = 0;
    int height = 0;
    int colorType = 0;
    int bitDepth = 0;
    int channels = 0;
    // One byte per sample, rows top first: 16-bit samples keep their high byte, samples of
    // 1, 2 or 4 bits are unpacked but not scaled.
    std::vector<std::uint8_t> samples;
    std::vector<std::uint8_t> palette;  // R, G, B per entry
    std::optional<std::uint32_t> gamma;  // the gAMA value as stored
};

// Decodes a PNG file's bytes without applying tRNS or gamma. Empty on a libpng error.
std::optional<ReferenceImage> DecodeWithLibpng(const std::vector<std::uint8_t>& png);

// What libpng writes for the given rows (one byte per sample at depth 8, two at 16).
struct ReferenceEncoding {
    int width = 0;
    int height = 0;
    int colorType = 0;
    int bitDepth = 8;
    bool interlaced = false;
    std::optional<std::uint32_t> gamma;
    std::vector<std::uint8_t> palette;  // R, G, B per entry, for colour type 3
    std::vector<std::uint8_t> rows;     // rows top first, packed as PNG rows
};
std::vector<std::uint8_t> EncodeWithLibpng(const ReferenceEncoding& image);

std::vector<std::uint8_t> ReadFileBytes(const std::string& path);

}  // namespace tevtest
