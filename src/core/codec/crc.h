#pragma once

#include <cstddef>
#include <cstdint>

namespace tevpng {

// The CRC-32 of PNG chunks (reflected polynomial 0xEDB88320). Folds count bytes into
// the register crc without the final complement: start from 0xFFFFFFFF and complement
// the result to get a chunk's CRC.
std::uint32_t UpdateCrc(std::uint32_t crc, const std::uint8_t* data, std::size_t count);

// The complete CRC of one chunk: its 4 type bytes, then its data.
std::uint32_t ChunkCrc(const std::uint8_t* type, const std::uint8_t* data, std::size_t count);

}  // namespace tevpng
