#include "codec/crc.h"

#include <array>

namespace tevpng {

namespace {

// Eight tables for slice-by-8: table k advances a byte through k further zero bytes,
// so eight input bytes are folded with eight independent lookups. Built once, at compile time.
using CrcTables = std::array<std::array<std::uint32_t, 256>, 8>;

constexpr CrcTables MakeCrcTables() {
    CrcTables tables{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int bit = 0; bit < 8; ++bit) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        tables[0][n] = c;
    }
    for (std::uint32_t n = 0; n < 256; ++n) {
        for (int k = 1; k < 8; ++k) {
            std::uint32_t previous = tables[k - 1][n];
            tables[k][n] = (previous >> 8) ^ tables[0][previous & 0xFF];
        }
    }
    return tables;
}

constexpr CrcTables kCrcTables = MakeCrcTables();

std::uint32_t LoadLittle32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

}  // namespace

std::uint32_t UpdateCrc(std::uint32_t crc, const std::uint8_t* data, std::size_t count) {
    const auto& t = kCrcTables;
    while (count >= 8) {
        std::uint32_t low = LoadLittle32(data) ^ crc;
        std::uint32_t high = LoadLittle32(data + 4);
        crc = t[7][low & 0xFF] ^ t[6][(low >> 8) & 0xFF] ^ t[5][(low >> 16) & 0xFF] ^ t[4][low >> 24] ^
              t[3][high & 0xFF] ^ t[2][(high >> 8) & 0xFF] ^ t[1][(high >> 16) & 0xFF] ^ t[0][high >> 24];
        data += 8;
        count -= 8;
    }
    while (count-- > 0) crc = t[0][(crc ^ *data++) & 0xFF] ^ (crc >> 8);
    return crc;
}

std::uint32_t ChunkCrc(const std::uint8_t* type, const std::uint8_t* data, std::size_t count) {
    return ~UpdateCrc(UpdateCrc(0xFFFFFFFFu, type, 4), data, count);
}

}  // namespace tevpng
