#pragma once

// Writing a PngImage as a PNG stream: the chunk layout, the row encoders that turn DIB
// rows back into PNG rows, and the row filters. PngImage::SaveStream and SaveFile
// (png_image.h) put them together.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "codec/png_image.h"

namespace tevpng {

class Stream;

// Writes one chunk: the data length (big-endian), the 4-byte type, the data and the CRC
// of type and data (big-endian). False when the stream takes fewer bytes than given.
bool WriteChunkBytes(Stream& stream, std::string_view type, const std::uint8_t* data, std::size_t length);
// The chunk's Name and its DataSize bytes of Data.
bool WriteChunk(const PngChunk& chunk, Stream& stream);
// One "IDAT" chunk holding `length` bytes of the zlib stream.
bool WriteIdat(Stream& stream, const std::uint8_t* data, std::size_t length);

// Turns `width` pixels of a DIB row (24-bit blue, green, red, or packed indices) and, for
// colour types 4 and 6, their alpha bytes into one unfiltered PNG row. Colour samples go
// through `inverseGamma`; grey levels, indices and alpha never do. A 16-bit sample is the
// held byte followed by 0.
using RowEncoder = void (*)(const std::uint8_t* dib, const std::uint8_t* alpha, std::uint8_t* out,
                            std::uint32_t width, const std::uint8_t* inverseGamma);

// The encoder for a colour type and the bit depth that is written (images held from 2-bit
// samples are written at 4 bits); null for pairs that have none. With `identityGamma` a
// variant that skips the table may be returned; its output is the same for that table.
RowEncoder FindRowEncoder(int colorType, int bitDepth, bool identityGamma = false);

// Filters `row` (n bytes) with PNG filter `type` (0 None .. 4 Paeth) against the previous
// row's n bytes, into `out`; `step` is the pixel step. Types above 4 copy the row.
void FilterRow(std::uint8_t type, const std::uint8_t* row, const std::uint8_t* previous, std::size_t n,
               int step, std::uint8_t* out);

// The names PNG requires before PLTE (and so before IDAT), and those it requires before
// IDAT but after PLTE. Everything else may follow the image data.
bool BelongsBeforePalette(std::string_view name);
bool BelongsBeforeImageData(std::string_view name);

}  // namespace tevpng
