#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "codec/png_image.h"

namespace tevpng {

// ---- Row geometry

// Packed bytes of one row of `pixels` pixels, without the filter byte; 0 for colour
// types outside the format.
std::size_t RowBytesFor(std::uint32_t pixels, int colorType, int bitDepth);
// Filter distance in bytes (at least 1).
int PixelStepFor(int colorType, int bitDepth);

// Where the pixels of each Adam7 pass lie.
struct Adam7Pass {
    std::uint8_t rowStart;
    std::uint8_t columnStart;
    std::uint8_t rowIncrement;
    std::uint8_t columnIncrement;
};

inline constexpr std::array<Adam7Pass, 7> kAdam7Passes = {{
    {0, 0, 8, 8},
    {0, 4, 8, 8},
    {4, 0, 8, 4},
    {0, 2, 4, 4},
    {2, 0, 4, 2},
    {0, 1, 2, 2},
    {1, 0, 2, 1},
}};

// Pixels per row of an Adam7 pass for an image `width` pixels wide.
std::uint32_t Adam7PassWidth(const Adam7Pass& pass, std::uint32_t width);

// ---- Filters

enum RowFilterType : std::uint8_t {
    kFilterTypeNone = 0,
    kFilterTypeSub,
    kFilterTypeUp,
    kFilterTypeAverage,
    kFilterTypePaeth
};

// Undoes the row filter of `row` (n bytes, after the filter byte) in place, against the
// previous row's n unfiltered bytes; `step` is the pixel step. Filter types above 4 are
// taken as None.
void UnfilterRow(std::uint8_t filter, std::uint8_t* row, const std::uint8_t* previous, std::size_t n,
                 int step);
// Undoes the filter of two consecutive rows that use the same filter type: `first`
// against `previous`, then `second` against the reconstructed `first`.
void UnfilterRowPair(std::uint8_t filter, std::uint8_t* first, const std::uint8_t* previous,
                     std::uint8_t* second, std::size_t n, int step);
// The plain byte-by-byte reference of UnfilterRow, which the vector code is checked against.
void UnfilterRowScalar(std::uint8_t filter, std::uint8_t* row, const std::uint8_t* previous, std::size_t n,
                       int step);
// The Paeth predictor with its tie rules: a when it is nearest (or tied), then b, then c.
std::uint8_t PaethPredictor(std::uint8_t a, std::uint8_t b, std::uint8_t c);

// ---- Conversion into the DIB

// The grey ramp of the colour table for colour types 0 and 4: entry i of n = 2^bits
// entries is Gamma[i * 255 / (n - 1)]. Other colour types are left alone.
void BuildGreyPalette(HeaderChunk& header, const PngImage::GammaTable& gamma);

// Converts one unfiltered row of `width` pixels into a DIB row (24-bit BGR or packed
// indices) and, for colour types 4 and 6, its alpha bytes.
using RowConverter = void (*)(const std::uint8_t* source, std::uint8_t* dib, std::uint8_t* alpha,
                              std::uint32_t width, const std::uint8_t* gamma);

// The converter for a colour type and bit depth (null when none exists). With an identity
// gamma table a variant without the lookups may be returned; its output is the same.
RowConverter FindRowConverter(int colorType, int bitDepth, bool identityGamma);
// The plain reference converter, without any shortcut.
RowConverter FindReferenceRowConverter(int colorType, int bitDepth);

// ---- Decoding

// Where the filtered rows come from: the inflated image data.
class ImageDataSource {
public:
    // Fills buffer with up to count bytes of image data and returns how many it placed:
    // count when complete, fewer when the data ran out or an error stopped it (the error
    // is recorded in the image's LastError). Once short, it gives nothing more.
    virtual std::size_t ReadImageData(std::uint8_t* buffer, std::size_t count) = 0;
    // Whether the data stopped at an error that makes its last bytes untrustworthy (corrupt
    // compressed data, image data cut by another chunk, a CRC mismatch when verifying),
    // rather than simply running out.
    virtual bool DataCorrupt() const = 0;

protected:
    ~ImageDataSource() = default;
};

// Decodes every row the source gives into the header's pixel memory: sequentially, or in
// the seven Adam7 passes when `interlaced`. Every byte of the DIB and the alpha plane is
// written (rows that never arrive become zero), so the memory may come uninitialised. A row
// cut short when the data runs out is completed with zeros and decoded; one cut short by
// corrupt data stays zero like the rows after it.
// False only when the row buffers cannot be allocated (the memory is then untouched).
bool DecodeImageRows(HeaderChunk& header, bool interlaced, const PngImage::GammaTable& gamma,
                     ImageDataSource& source);

}  // namespace tevpng
