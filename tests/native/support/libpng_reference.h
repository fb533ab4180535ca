#pragma once
// libpng as the independent decoder and encoder of the tests.

#include <array>
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

// The picture libpng decoded, as 8-bit R, G, B, A per pixel, top row first, by the rules this
// plug-in holds pixels by: grey of d bits widened to v * 255 / (2^d - 1), palette indices
// looking their colour up (black beyond the palette), colours through `gamma`, alpha never,
// tRNS not applied. Grey goes through `gamma` only when `greyThroughGamma` is set.
using GammaTable = std::array<std::uint8_t, 256>;
std::vector<std::uint8_t> ReferenceRgba(const ReferenceImage& ref, const GammaTable& gamma, bool greyThroughGamma);

// The names of the suite's files, sorted: the broken ones (named x*) or the valid ones.
std::vector<std::string> PngSuiteFiles(const std::string& directory, bool broken);

}  // namespace tevtest
