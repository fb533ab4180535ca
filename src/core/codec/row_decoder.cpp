#include "codec/row_decoder.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "codec/png_format.h"
#include "codec/row_simd.h"

namespace tevpng {

// ---- Row geometry

std::size_t RowBytesFor(std::uint32_t pixels, int colorType, int bitDepth) {
    const std::size_t bits = static_cast<std::size_t>(pixels) * static_cast<std::size_t>(bitDepth);
    switch (colorType) {
        case 0:
        case 3:
            return (bits + 7) / 8;
        case 2:
            return bits * 3 / 8;
        case 4:
            return bits * 2 / 8;
        case 6:
            return bits * 4 / 8;
        default:
            return 0;
    }
}

int PixelStepFor(int colorType, int bitDepth) {
    int step = 1;
    switch (colorType) {
        case 0:
            step = bitDepth == 16 ? 2 : 1;
            break;
        case 3:
            step = 1;
            break;
        case 2:
            step = bitDepth * 3 / 8;
            break;
        case 4:
            step = bitDepth * 2 / 8;
            break;
        case 6:
            step = bitDepth * 4 / 8;
            break;
        default:
            break;
    }
    return std::max(step, 1);
}

std::uint32_t Adam7PassWidth(const Adam7Pass& pass, std::uint32_t width) {
    if (width <= pass.columnStart) return 0;
    return (width - pass.columnStart + pass.columnIncrement - 1) / pass.columnIncrement;
}

// ---- Filters

std::uint8_t PaethPredictor(std::uint8_t a, std::uint8_t b, std::uint8_t c) {
    const int pa = std::abs(b - c);
    const int pb = std::abs(a - c);
    const int pc = std::abs(a + b - 2 * c);
    if (pa <= pb && pa <= pc) return a;
    return pb <= pc ? b : c;
}

void UnfilterRowScalar(std::uint8_t filter, std::uint8_t* row, const std::uint8_t* previous, std::size_t n,
                       int step) {
    const std::size_t s = std::min(static_cast<std::size_t>(step), n);
    switch (filter) {
        case kFilterTypeSub:
            for (std::size_t i = s; i < n; ++i) row[i] = static_cast<std::uint8_t>(row[i] + row[i - s]);
            break;
        case kFilterTypeUp:
            for (std::size_t i = 0; i < n; ++i) row[i] = static_cast<std::uint8_t>(row[i] + previous[i]);
            break;
        case kFilterTypeAverage:
            for (std::size_t i = 0; i < s; ++i)
                row[i] = static_cast<std::uint8_t>(row[i] + (previous[i] >> 1));
            for (std::size_t i = s; i < n; ++i) {
                row[i] = static_cast<std::uint8_t>(row[i] + ((row[i - s] + previous[i]) >> 1));
            }
            break;
        case kFilterTypePaeth:
            for (std::size_t i = 0; i < s; ++i) row[i] = static_cast<std::uint8_t>(row[i] + previous[i]);
            for (std::size_t i = s; i < n; ++i) {
                row[i] = static_cast<std::uint8_t>(row[i] +
                                                   PaethPredictor(row[i - s], previous[i], previous[i - s]));
            }
            break;
        default:
            break;  // None, and the undefined types 5..255, which are taken as None
    }
}

void UnfilterRow(std::uint8_t filter, std::uint8_t* row, const std::uint8_t* previous, std::size_t n,
                 int step) {
    if (simd::UnfilterRow(filter, row, previous, n, step)) return;
    UnfilterRowScalar(filter, row, previous, n, step);
}

void UnfilterRowPair(std::uint8_t filter, std::uint8_t* first, const std::uint8_t* previous,
                     std::uint8_t* second, std::size_t n, int step) {
    if (simd::UnfilterRowPair(filter, first, previous, second, n, step)) return;
    UnfilterRow(filter, first, previous, n, step);
    UnfilterRow(filter, second, first, n, step);
}

// ---- Grey ramp

void BuildGreyPalette(HeaderChunk& header, const PngImage::GammaTable& gamma) {
    if (header.ColorType != kColorTypeGrey && header.ColorType != kColorTypeGreyAlpha) return;
    const int bits = header.BitmapInfo.bmiHeader.biBitCount;
    if (bits != 1 && bits != 4 && bits != 8) return;
    const int entries = 1 << bits;
    for (int i = 0; i < entries; ++i) {
        const std::uint8_t level = gamma[i * 255 / (entries - 1)];
        header.BitmapInfo.bmiColors[i] = RgbQuad{level, level, level, 0};
    }
}

// ---- Converters: one per colour type and depth. 16-bit samples keep their high byte
// (the first); colour samples go through the gamma table, indices and alpha never do.

namespace {

template <int Bits>
void CopyPacked(const std::uint8_t* source, std::uint8_t* dib, std::uint8_t*, std::uint32_t width,
                const std::uint8_t*) {
    std::memcpy(dib, source, (static_cast<std::size_t>(width) * Bits + 7) / 8);
}

// 2-bit samples become 4-bit indices (two per output byte, the left one high):
// grey v becomes 5 v, so the 16-step ramp shows 0, 85, 170, 255; palette indices keep their value.
template <int Scale>
void Widen2To4(const std::uint8_t* source, std::uint8_t* dib, std::uint8_t*, std::uint32_t width,
               const std::uint8_t*) {
    const std::size_t outBytes = (static_cast<std::size_t>(width) + 1) / 2;
    for (std::size_t o = 0; o < outBytes; ++o) {
        const std::uint8_t packed = source[o / 2];
        const int shift = (o & 1) ? 2 : 6;  // samples 2o and 2o+1 of the row
        const int left = (packed >> shift) & 3;
        const int right = (packed >> (shift - 2)) & 3;
        dib[o] = static_cast<std::uint8_t>((left * Scale) << 4 | (right * Scale));
    }
}

void Grey16(const std::uint8_t* source, std::uint8_t* dib, std::uint8_t*, std::uint32_t width,
            const std::uint8_t*) {
    for (std::uint32_t x = 0; x < width; ++x) dib[x] = source[2 * x];
}

void GreyAlpha8(const std::uint8_t* source, std::uint8_t* dib, std::uint8_t* alpha, std::uint32_t width,
                const std::uint8_t*) {
    for (std::uint32_t x = 0; x < width; ++x) {
        dib[x] = source[2 * x];
        alpha[x] = source[2 * x + 1];
    }
}

void GreyAlpha16(const std::uint8_t* source, std::uint8_t* dib, std::uint8_t* alpha, std::uint32_t width,
                 const std::uint8_t*) {
    for (std::uint32_t x = 0; x < width; ++x) {
        dib[x] = source[4 * x];
        alpha[x] = source[4 * x + 2];
    }
}

// Colour samples: SampleBytes per sample (1 or 2, the high byte first), Channels per pixel
// (3, or 4 with alpha last).
template <int SampleBytes, int Channels>
void Colour(const std::uint8_t* source, std::uint8_t* dib, std::uint8_t* alpha, std::uint32_t width,
            const std::uint8_t* gamma) {
    constexpr int pixelBytes = SampleBytes * Channels;
    for (std::uint32_t x = 0; x < width; ++x) {
        const std::uint8_t* p = source + static_cast<std::size_t>(x) * pixelBytes;
        std::uint8_t* d = dib + static_cast<std::size_t>(x) * 3;
        d[0] = gamma[p[2 * SampleBytes]];
        d[1] = gamma[p[SampleBytes]];
        d[2] = gamma[p[0]];
        if constexpr (Channels == 4) alpha[x] = p[3 * SampleBytes];
    }
}

struct ConverterEntry {
    std::uint8_t colorType;
    std::uint8_t bitDepth;
    RowConverter convert;
};

constexpr ConverterEntry kConverters[] = {
    {kColorTypeGrey, 1, CopyPacked<1>},     {kColorTypeGrey, 2, Widen2To4<5>},
    {kColorTypeGrey, 4, CopyPacked<4>},     {kColorTypeGrey, 8, CopyPacked<8>},
    {kColorTypeGrey, 16, Grey16},           {kColorTypePalette, 1, CopyPacked<1>},
    {kColorTypePalette, 2, Widen2To4<1>},   {kColorTypePalette, 4, CopyPacked<4>},
    {kColorTypePalette, 8, CopyPacked<8>},  {kColorTypeGreyAlpha, 8, GreyAlpha8},
    {kColorTypeGreyAlpha, 16, GreyAlpha16}, {kColorTypeRgb, 8, Colour<1, 3>},
    {kColorTypeRgb, 16, Colour<2, 3>},      {kColorTypeRgba, 8, Colour<1, 4>},
    {kColorTypeRgba, 16, Colour<2, 4>},
};

}  // namespace

RowConverter FindReferenceRowConverter(int colorType, int bitDepth) {
    for (const ConverterEntry& entry : kConverters) {
        if (entry.colorType == colorType && entry.bitDepth == bitDepth) return entry.convert;
    }
    return nullptr;
}

RowConverter FindRowConverter(int colorType, int bitDepth, bool identityGamma) {
    if (identityGamma) {
        if (RowConverter fast = simd::IdentityGammaConverter(colorType, bitDepth)) return fast;
    }
    return FindReferenceRowConverter(colorType, bitDepth);
}

// ---- Decoding

namespace {

// Adam7 passes leave gaps: the converted pass row is spread over its columns. Packed
// pixels are ORed into the zeroed DIB, which the passes never write twice.
void ScatterPixels(int dibBits, const std::uint8_t* packed, std::uint8_t* dib, std::uint32_t start,
                   std::uint32_t increment, std::uint32_t count) {
    switch (dibBits) {
        case 24:
            for (std::uint32_t j = 0; j < count; ++j) {
                std::memcpy(dib + (start + static_cast<std::size_t>(j) * increment) * 3, packed + j * 3u, 3);
            }
            break;
        case 8:
            for (std::uint32_t j = 0; j < count; ++j) dib[start + j * increment] = packed[j];
            break;
        case 4:
        case 1:
            for (std::uint32_t j = 0; j < count; ++j) {
                OrPackedIndex(dib, dibBits, start + static_cast<std::size_t>(j) * increment,
                              PackedIndex(packed, dibBits, j));
            }
            break;
        default:
            break;
    }
}

void ScatterAlpha(const std::uint8_t* packed, std::uint8_t* alpha, std::uint32_t start,
                  std::uint32_t increment, std::uint32_t count) {
    for (std::uint32_t j = 0; j < count; ++j) alpha[start + j * increment] = packed[j];
}

// Inflated rows are taken a block at a time: large inflate calls stay on zlib's fast path,
// and a block small enough for the cache is unfiltered and converted while still warm.
constexpr std::size_t kBlockBytes = 128 * 1024;
// Spare bytes after every buffer, so vector code may load a little past a row's end.
constexpr std::size_t kSlack = 64;

class RowDecoder {
public:
    RowDecoder(HeaderChunk& header, const PngImage::GammaTable& gamma, ImageDataSource& source)
        : header_(header),
          source_(source),
          gamma_(gamma.data()),
          width_(static_cast<std::uint32_t>(header.Width)),
          height_(static_cast<std::uint32_t>(header.Height)),
          step_(PixelStepFor(header.ColorType, header.BitDepth)),
          dibBits_(header.BitmapInfo.bmiHeader.biBitCount),
          convert_(FindRowConverter(header.ColorType, header.BitDepth, IsIdentity(gamma))) {}

    bool Allocate(bool interlaced) {
        maxRowBytes_ = RowBytesFor(width_, header_.ColorType, header_.BitDepth);
        if (maxRowBytes_ == 0 || convert_ == nullptr || header_.PixelBits() == nullptr) return false;
        const std::size_t rowSize = maxRowBytes_ + 1;
        // No more rows than the image has: a small image pays for its own rows only.
        rowsPerBlock_ = std::clamp<std::size_t>(kBlockBytes / rowSize, 1, height_);
        // Inflate writes every row before it is read, so only the slack needs a value.
        const std::size_t blockBytes = rowsPerBlock_ * rowSize;
        block_.reset(new (std::nothrow) std::uint8_t[blockBytes + kSlack]);
        if (!block_) return false;
        std::memset(block_.get() + blockBytes, 0, kSlack);
        try {
            previous_.assign(rowSize + kSlack, 0);
            if (interlaced) {
                scratch_.assign(static_cast<std::size_t>(header_.RowStride) + kSlack, 0);
                scratchAlpha_.assign(width_ + kSlack, 0);
            }
        } catch (const std::bad_alloc&) {
            return false;
        }
        return true;
    }

    // Writes every byte of the pixel memory: converted rows with their padding zeroed, then
    // zeros for the rows that never arrive.
    void Sequential() {
        const std::size_t rowBytes = maxRowBytes_;
        const std::size_t usedBytes = (static_cast<std::size_t>(width_) * dibBits_ + 7) / 8;
        // Memory that came zeroed needs no zeros written.
        const bool zeroed = header_.PixelsStartedZeroed();
        const std::size_t padding = zeroed ? 0 : static_cast<std::size_t>(header_.RowStride) - usedBytes;
        std::uint8_t* dibRow = DibRow(0);
        std::uint8_t* alphaRow = header_.AlphaPlane();
        std::uint32_t row = 0;
        while (row < height_) {
            const std::size_t wanted = std::min<std::size_t>(rowsPerBlock_, height_ - row);
            const std::size_t ready = ReadRows(rowBytes, wanted);
            ForEachUnfilteredRow(rowBytes, ready, [&](std::size_t, const std::uint8_t* data) {
                if (padding > 0) std::memset(dibRow + usedBytes, 0, padding);
                convert_(data, dibRow, alphaRow, width_, gamma_);
                dibRow -= header_.RowStride;
                if (alphaRow) alphaRow += width_;
            });
            KeepLastRow(rowBytes, ready);
            row += static_cast<std::uint32_t>(ready);
            if (ready < wanted || ended_) break;
        }
        // Rows row..height-1 are the first rows of the bottom-up DIB, and the last of the alpha plane.
        if (zeroed) return;
        std::memset(header_.PixelBits(), 0, static_cast<std::size_t>(header_.RowStride) * (height_ - row));
        if (alphaRow) std::memset(alphaRow, 0, static_cast<std::size_t>(width_) * (height_ - row));
    }

    // The passes leave gaps until the last one and pack pixels into shared bytes: the
    // pixel memory is zeroed first.
    void Adam7() {
        if (!header_.PixelsStartedZeroed()) header_.ZeroPixels();
        for (const Adam7Pass& pass : kAdam7Passes) {
            const std::uint32_t passWidth = Adam7PassWidth(pass, width_);
            const std::size_t rowBytes = RowBytesFor(passWidth, header_.ColorType, header_.BitDepth);
            if (rowBytes == 0 || height_ <= pass.rowStart) continue;
            std::memset(previous_.data(), 0, rowBytes + 1);
            const std::uint32_t passRows =
                (height_ - pass.rowStart + pass.rowIncrement - 1) / pass.rowIncrement;
            for (std::uint32_t passRow = 0; passRow < passRows;) {
                const std::size_t wanted = std::min<std::size_t>(rowsPerBlock_, passRows - passRow);
                const std::size_t ready = ReadRows(rowBytes, wanted);
                ForEachUnfilteredRow(rowBytes, ready, [&](std::size_t i, const std::uint8_t* data) {
                    const std::uint32_t y =
                        pass.rowStart + (passRow + static_cast<std::uint32_t>(i)) * pass.rowIncrement;
                    PlacePassRow(pass, passWidth, data, y);
                });
                KeepLastRow(rowBytes, ready);
                if (ready < wanted || ended_) return;
                passRow += static_cast<std::uint32_t>(ready);
            }
        }
    }

private:
    std::uint8_t* DibRow(std::uint32_t y) const { return header_.DibRow(static_cast<std::int32_t>(y)); }

    // Reads up to `wanted` filtered rows into the block and returns how many are there. A
    // row cut short by the end of the data is completed with zeros and is the last one; cut
    // short by corrupt data, it is dropped (its bytes up to the error cannot be trusted and
    // unfiltering a zero tail would fill it with predictions).
    std::size_t ReadRows(std::size_t rowBytes, std::size_t wanted) {
        const std::size_t rowSize = rowBytes + 1;
        const std::size_t got = source_.ReadImageData(block_.get(), rowSize * wanted);
        std::size_t ready = got / rowSize;
        const std::size_t partial = got % rowSize;
        if (got < rowSize * wanted) ended_ = true;
        if (partial > 0 && !source_.DataCorrupt()) {
            std::memset(block_.get() + ready * rowSize + partial, 0, rowSize - partial);
            ++ready;
        }
        return ready;
    }

    std::uint8_t* RowData(std::size_t rowBytes, std::size_t i) {
        return block_.get() + i * (rowBytes + 1) + 1;
    }

    // Unfilters the block's rows in order, each against the row before it (two rows with
    // the same filter type together), and hands each to `use(i, data)` while it is warm.
    template <typename Use>
    void ForEachUnfilteredRow(std::size_t rowBytes, std::size_t ready, Use use) {
        for (std::size_t i = 0; i < ready;) {
            std::uint8_t* data = RowData(rowBytes, i);
            const std::uint8_t* above = i == 0 ? previous_.data() + 1 : data - (rowBytes + 1);
            if (i + 1 < ready && data[-1] == data[rowBytes]) {
                UnfilterRowPair(data[-1], data, above, data + rowBytes + 1, rowBytes, step_);
                use(i, data);
                use(i + 1, data + rowBytes + 1);
                i += 2;
            } else {
                UnfilterRow(data[-1], data, above, rowBytes, step_);
                use(i, data);
                i += 1;
            }
        }
    }

    // The next block's first row filters against this block's last.
    void KeepLastRow(std::size_t rowBytes, std::size_t ready) {
        if (ready == 0) return;
        const std::size_t rowSize = rowBytes + 1;
        std::memcpy(previous_.data(), block_.get() + (ready - 1) * rowSize, rowSize);
    }

    void PlacePassRow(const Adam7Pass& pass, std::uint32_t passWidth, const std::uint8_t* data,
                      std::uint32_t y) {
        std::uint8_t* alphaRow =
            header_.AlphaPlane() ? header_.AlphaPlane() + static_cast<std::size_t>(width_) * y : nullptr;
        if (pass.columnIncrement == 1) {
            convert_(data, DibRow(y), alphaRow, passWidth, gamma_);
            return;
        }
        convert_(data, scratch_.data(), scratchAlpha_.data(), passWidth, gamma_);
        ScatterPixels(dibBits_, scratch_.data(), DibRow(y), pass.columnStart, pass.columnIncrement,
                      passWidth);
        if (alphaRow)
            ScatterAlpha(scratchAlpha_.data(), alphaRow, pass.columnStart, pass.columnIncrement, passWidth);
    }

    HeaderChunk& header_;
    ImageDataSource& source_;
    const std::uint8_t* gamma_;
    std::uint32_t width_;
    std::uint32_t height_;
    int step_;
    int dibBits_;
    RowConverter convert_;
    std::size_t maxRowBytes_ = 0;
    std::size_t rowsPerBlock_ = 1;
    bool ended_ = false;
    std::unique_ptr<std::uint8_t[]> block_;   // filtered rows, each with its filter byte
    std::vector<std::uint8_t> previous_;      // the row before the block's first, filter byte first
    std::vector<std::uint8_t> scratch_;       // one converted Adam7 pass row
    std::vector<std::uint8_t> scratchAlpha_;  // and its alpha
};

}  // namespace

bool DecodeImageRows(HeaderChunk& header, bool interlaced, const PngImage::GammaTable& gamma,
                     ImageDataSource& source) {
    RowDecoder decoder(header, gamma, source);
    if (!decoder.Allocate(interlaced)) return false;
    if (interlaced) {
        decoder.Adam7();
    } else {
        decoder.Sequential();
    }
    return true;
}

}  // namespace tevpng
