#pragma once
// Reading a decoded PngImage back as plain RGBA, shared by the native and the Windows tests.

#include <cstdint>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "codec/png_image.h"

namespace tevtest {

// One pixel of the DIB: 24-bit BGR, or an index into the colour table.
inline tevpng::RgbQuad DibPixel(const tevpng::HeaderChunk& header, int x, int y) {
    const int bits = header.BitmapInfo.bmiHeader.biBitCount;
    const std::uint8_t* row = header.DibRow(y);
    if (bits == 24) return {row[3 * x], row[3 * x + 1], row[3 * x + 2], 0};
    int index = 0;
    if (bits == 8) index = row[x];
    if (bits == 4) index = (row[x / 2] >> ((x & 1) ? 0 : 4)) & 0x0F;
    if (bits == 1) index = (row[x / 8] >> (7 - x % 8)) & 1;
    return header.BitmapInfo.bmiColors[index];
}

// Every pixel as R, G, B, A, top row first; alpha 255 without an alpha plane.
inline std::vector<std::uint8_t> DibToRgba(const tevpng::HeaderChunk& header) {
    std::vector<std::uint8_t> rgba;
    rgba.reserve(static_cast<std::size_t>(header.Width) * header.Height * 4);
    for (int y = 0; y < header.Height; ++y) {
        for (int x = 0; x < header.Width; ++x) {
            const tevpng::RgbQuad p = DibPixel(header, x, y);
            const std::uint8_t* alpha = header.AlphaPlane();
            rgba.insert(rgba.end(),
                        {p.rgbRed, p.rgbGreen, p.rgbBlue,
                         alpha ? alpha[static_cast<std::size_t>(y) * header.Width + x] : std::uint8_t{255}});
        }
    }
    return rgba;
}

inline std::uint64_t Fnv1a64(const std::vector<std::uint8_t>& bytes) {
    std::uint64_t hash = 0xCBF29CE484222325ull;
    for (std::uint8_t b : bytes) {
        hash ^= b;
        hash *= 0x100000001B3ull;
    }
    return hash;
}

inline std::string Hex64(std::uint64_t value) {
    static const char digits[] = "0123456789abcdef";
    std::string text(16, '0');
    for (int i = 15; i >= 0; --i, value >>= 4) text[i] = digits[value & 15];
    return text;
}

// The recorded table: file name -> hash of its RGBA pixels, one "name hash" per line.
inline std::map<std::string, std::string> ReadHashTable(const std::string& path) {
    std::map<std::string, std::string> table;
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line)) {
        std::istringstream fields(line);
        std::string name, hash;
        if (fields >> name >> hash && name[0] != '#') table[name] = hash;
    }
    return table;
}

}  // namespace tevtest
