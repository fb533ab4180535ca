// Writing a PngImage: the signature, the chunks in the order PNG requires, each kind
// re-encoded from its values, and the image data converted back from the DIB, filtered
// and deflated into IDAT chunks of IdatLimit bytes (all but the last).
//
// Decisions about the file, so that what we write is valid PNG and loads back, in our
// reader and in others, to the pixels we hold:
// - The chunk list keeps the order AddChunk gives it, but the file gets PNG's: IHDR;
//   gAMA, sBIT, sRGB, iCCP and their like; PLTE; tRNS, bKGD, hIST, pHYs, sPLT and their
//   like; IDAT; everything else in list order; IEND, which is written even when the list
//   lacks it (a file cut short after its image data).
// - Colours go out through InverseGamma, undoing what decoding applied, in every colour
//   type, depth and interlace method. A gAMA chunk that stood after the palette or the
//   image data was not applied to them; they go out as they are, and the chunk is left
//   out when it applied to nothing the image shows.
// - Left out as invalid: PLTE in grey images (the grey ramp replaces it on load anyway),
//   tRNS beside an alpha channel or longer than 256 bytes.
// - IHDR says compression and filter method 0, the methods the data is written with.
// - Whatever can fail is tried before the first byte: an image that cannot be written
//   (no header or image data, a format without an encoder, pixels unlike the header,
//   settings out of range, no memory) writes nothing. A stream that refuses bytes or a
//   deflate error stops the writer there.
#include "codec/writer.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "codec/crc.h"
#include "codec/png_format.h"
#include "codec/row_decoder.h"
#include "io/file_stream.h"
#include "io/stream.h"

namespace tevpng {

namespace {

// The IDAT buffer is IdatLimit bytes, but never more than this: a limit set beyond any
// sensible chunk would only make the buffer huge, and smaller chunks are still within it.
constexpr std::size_t kMaxIdatBuffer = std::size_t{1} << 24;
// Filtered rows are handed to deflate in blocks of about this size: few calls, warm cache.
constexpr std::size_t kBlockBytes = 128 * 1024;

bool WriteAll(Stream& stream, const void* data, std::size_t count) {
    return count == 0 || stream.Write(data, count) == count;
}

}  // namespace

// ---- Chunk layout

bool WriteChunkBytes(Stream& stream, std::string_view type, const std::uint8_t* data, std::size_t length) {
    if (type.size() != 4 || length > 0x7FFFFFFF) return false;
    std::uint8_t head[8];
    WriteBigEndian32(head, static_cast<std::uint32_t>(length));
    std::memcpy(head + 4, type.data(), 4);
    std::uint8_t crc[4];
    WriteBigEndian32(crc, ChunkCrc(head + 4, data, length));
    return WriteAll(stream, head, sizeof head) && WriteAll(stream, data, length) &&
           WriteAll(stream, crc, sizeof crc);
}

bool WriteChunk(const PngChunk& chunk, Stream& stream) {
    return WriteChunkBytes(stream, chunk.Name(), chunk.Data(), static_cast<std::size_t>(chunk.DataSize()));
}

bool WriteIdat(Stream& stream, const std::uint8_t* data, std::size_t length) {
    return WriteChunkBytes(stream, "IDAT", data, length);
}

// ---- Row encoders: the converters of the row decoder run backwards. Colour samples
// go through the inverse gamma table; with the identity table the lookup is skipped.

namespace {

template <bool Identity>
std::uint8_t Ungamma(const std::uint8_t* table, std::uint8_t value) {
    if constexpr (Identity) {
        return value;
    } else {
        return table[value];
    }
}

// SampleBytes per sample (1, or 2 with a low byte of 0), Channels per pixel (3, or 4
// with alpha last).
template <int SampleBytes, int Channels, bool Identity>
void EncodeColour(const std::uint8_t* dib, const std::uint8_t* alpha, std::uint8_t* out, std::uint32_t width,
                  const std::uint8_t* inverseGamma) {
    for (std::uint32_t x = 0; x < width; ++x) {
        const std::uint8_t* d = dib + static_cast<std::size_t>(x) * 3;
        std::uint8_t* o = out + static_cast<std::size_t>(x) * SampleBytes * Channels;
        o[0] = Ungamma<Identity>(inverseGamma, d[2]);
        o[SampleBytes] = Ungamma<Identity>(inverseGamma, d[1]);
        o[2 * SampleBytes] = Ungamma<Identity>(inverseGamma, d[0]);
        if constexpr (Channels == 4) o[3 * SampleBytes] = alpha[x];
        if constexpr (SampleBytes == 2) {
            o[1] = o[3] = o[5] = 0;
            if constexpr (Channels == 4) o[7] = 0;
        }
    }
}

// Grey and palette rows of 1, 4 and 8 bits already have the PNG layout.
template <int Bits>
void EncodePacked(const std::uint8_t* dib, const std::uint8_t*, std::uint8_t* out, std::uint32_t width,
                  const std::uint8_t*) {
    std::memcpy(out, dib, (static_cast<std::size_t>(width) * Bits + 7) / 8);
}

void EncodeGrey16(const std::uint8_t* dib, const std::uint8_t*, std::uint8_t* out, std::uint32_t width,
                  const std::uint8_t*) {
    for (std::uint32_t x = 0; x < width; ++x) {
        out[2 * x] = dib[x];
        out[2 * x + 1] = 0;
    }
}

void EncodeGreyAlpha8(const std::uint8_t* dib, const std::uint8_t* alpha, std::uint8_t* out,
                      std::uint32_t width, const std::uint8_t*) {
    for (std::uint32_t x = 0; x < width; ++x) {
        out[2 * x] = dib[x];
        out[2 * x + 1] = alpha[x];
    }
}

void EncodeGreyAlpha16(const std::uint8_t* dib, const std::uint8_t* alpha, std::uint8_t* out,
                       std::uint32_t width, const std::uint8_t*) {
    for (std::uint32_t x = 0; x < width; ++x) {
        std::uint8_t* o = out + static_cast<std::size_t>(x) * 4;
        o[0] = dib[x];
        o[1] = 0;
        o[2] = alpha[x];
        o[3] = 0;
    }
}

struct EncoderEntry {
    std::uint8_t colorType;
    std::uint8_t bitDepth;
    RowEncoder encode;
    RowEncoder identityGamma;  // the same without the table lookups
};

constexpr EncoderEntry kEncoders[] = {
    {kColorTypeGrey, 1, EncodePacked<1>, EncodePacked<1>},
    {kColorTypeGrey, 4, EncodePacked<4>, EncodePacked<4>},
    {kColorTypeGrey, 8, EncodePacked<8>, EncodePacked<8>},
    {kColorTypeGrey, 16, EncodeGrey16, EncodeGrey16},
    {kColorTypePalette, 1, EncodePacked<1>, EncodePacked<1>},
    {kColorTypePalette, 4, EncodePacked<4>, EncodePacked<4>},
    {kColorTypePalette, 8, EncodePacked<8>, EncodePacked<8>},
    {kColorTypeGreyAlpha, 8, EncodeGreyAlpha8, EncodeGreyAlpha8},
    {kColorTypeGreyAlpha, 16, EncodeGreyAlpha16, EncodeGreyAlpha16},
    {kColorTypeRgb, 8, EncodeColour<1, 3, false>, EncodeColour<1, 3, true>},
    {kColorTypeRgb, 16, EncodeColour<2, 3, false>, EncodeColour<2, 3, true>},
    {kColorTypeRgba, 8, EncodeColour<1, 4, false>, EncodeColour<1, 4, true>},
    {kColorTypeRgba, 16, EncodeColour<2, 4, false>, EncodeColour<2, 4, true>},
};

}  // namespace

RowEncoder FindRowEncoder(int colorType, int bitDepth, bool identityGamma) {
    for (const EncoderEntry& entry : kEncoders) {
        if (entry.colorType == colorType && entry.bitDepth == bitDepth) {
            return identityGamma ? entry.identityGamma : entry.encode;
        }
    }
    return nullptr;
}

// ---- Filters

namespace {

// Sub and Up read only the raw rows, so sixteen bytes at a time give the same bytes as
// one at a time. Every build has SSE2 (the 32-bit one is compiled for it).
void SubFilter(const std::uint8_t* row, std::size_t n, std::size_t s, std::uint8_t* out) {
    std::memcpy(out, row, s);
    std::size_t i = s;
#if defined(__SSE2__)
    for (; i + 16 <= n; i += 16) {
        const __m128i current = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i));
        const __m128i left = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i - s));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_sub_epi8(current, left));
    }
#endif
    for (; i < n; ++i) out[i] = static_cast<std::uint8_t>(row[i] - row[i - s]);
}

void UpFilter(const std::uint8_t* row, const std::uint8_t* previous, std::size_t n, std::uint8_t* out) {
    std::size_t i = 0;
#if defined(__SSE2__)
    for (; i + 16 <= n; i += 16) {
        const __m128i current = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i));
        const __m128i above = _mm_loadu_si128(reinterpret_cast<const __m128i*>(previous + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_sub_epi8(current, above));
    }
#endif
    for (; i < n; ++i) out[i] = static_cast<std::uint8_t>(row[i] - previous[i]);
}

}  // namespace

void FilterRow(std::uint8_t type, const std::uint8_t* row, const std::uint8_t* previous, std::size_t n,
               int step, std::uint8_t* out) {
    const std::size_t s = std::min(static_cast<std::size_t>(std::max(step, 1)), n);
    switch (type) {
        case kFilterTypeSub:
            SubFilter(row, n, s, out);
            break;
        case kFilterTypeUp:
            UpFilter(row, previous, n, out);
            break;
        case kFilterTypeAverage:
            for (std::size_t i = 0; i < s; ++i)
                out[i] = static_cast<std::uint8_t>(row[i] - (previous[i] >> 1));
            for (std::size_t i = s; i < n; ++i) {
                out[i] = static_cast<std::uint8_t>(row[i] - ((row[i - s] + previous[i]) >> 1));
            }
            break;
        case kFilterTypePaeth:
            for (std::size_t i = 0; i < s; ++i) out[i] = static_cast<std::uint8_t>(row[i] - previous[i]);
            for (std::size_t i = s; i < n; ++i) {
                out[i] = static_cast<std::uint8_t>(row[i] -
                                                   PaethPredictor(row[i - s], previous[i], previous[i - s]));
            }
            break;
        default:
            std::memcpy(out, row, n);
            break;
    }
}

// ---- Chunk order

namespace {

constexpr std::string_view kBeforePalette[] = {"gAMA", "cHRM", "sRGB", "iCCP",
                                               "sBIT", "cICP", "mDCV", "cLLI"};
constexpr std::string_view kBeforeImageData[] = {"tRNS", "bKGD", "hIST", "pHYs", "sPLT",
                                                 "oFFs", "pCAL", "sCAL", "sTER", "eXIf"};

template <std::size_t N>
bool Contains(const std::string_view (&names)[N], std::string_view name) {
    return std::find(std::begin(names), std::end(names), name) != std::end(names);
}

}  // namespace

bool BelongsBeforePalette(std::string_view name) { return Contains(kBeforePalette, name); }
bool BelongsBeforeImageData(std::string_view name) { return Contains(kBeforeImageData, name); }

namespace {

// ---- The zlib stream, cut into IDAT chunks

// Deflates what it is fed into a buffer of `chunkSize` bytes and writes the buffer as an
// IDAT chunk each time it is full; the finish writes the rest. So every IDAT chunk but
// the last holds exactly chunkSize bytes. After any failure it writes nothing more.
class IdatStream {
public:
    IdatStream() = default;
    ~IdatStream() {
        if (started_) deflateEnd(&z_);
    }
    IdatStream(const IdatStream&) = delete;
    IdatStream& operator=(const IdatStream&) = delete;

    bool Start(int level, std::size_t chunkSize) {
        buffer_.reset(new (std::nothrow) std::uint8_t[chunkSize]);
        if (!buffer_) return false;
        chunkSize_ = chunkSize;
        // Method deflated, 15-bit window, memory level 8, default strategy.
        if (deflateInit(&z_, level) != Z_OK) return false;
        started_ = true;
        ResetOutput();
        return true;
    }

    void Attach(Stream& stream) { stream_ = &stream; }

    bool Feed(const std::uint8_t* data, std::size_t count) {
        if (failed_) return false;
        z_.next_in = const_cast<Bytef*>(data);
        z_.avail_in = static_cast<uInt>(count);
        while (z_.avail_in > 0) {
            if (deflate(&z_, Z_NO_FLUSH) != Z_OK) return Fail();
            if (z_.avail_out == 0 && !Flush(chunkSize_)) return false;
        }
        return true;
    }

    bool Finish() {
        if (failed_) return false;
        for (;;) {
            const int result = deflate(&z_, Z_FINISH);
            if (result == Z_STREAM_END) break;
            // Short of the end, deflate stops only when the buffer is full; anything else
            // is an error and would never reach the end.
            if (result != Z_OK || z_.avail_out != 0) return Fail();
            if (!Flush(chunkSize_)) return false;
        }
        const std::size_t filled = chunkSize_ - z_.avail_out;
        return filled == 0 || Flush(filled);
    }

private:
    void ResetOutput() {
        z_.next_out = buffer_.get();
        z_.avail_out = static_cast<uInt>(chunkSize_);
    }

    bool Flush(std::size_t count) {
        if (!WriteIdat(*stream_, buffer_.get(), count)) return Fail();
        ResetOutput();
        return true;
    }

    bool Fail() {
        failed_ = true;
        return false;
    }

    z_stream z_{};
    bool started_ = false;
    bool failed_ = false;
    std::unique_ptr<std::uint8_t[]> buffer_;
    std::size_t chunkSize_ = 0;
    Stream* stream_ = nullptr;
};

// ---- The image data

// Copies the pixels of one Adam7 pass row out of a DIB row: `count` pixels from column
// `start` on, `increment` apart. Packed pixels are ORed into `out`, which must be zeroed.
void GatherPixels(int dibBits, const std::uint8_t* dib, std::uint32_t start, std::uint32_t increment,
                  std::uint32_t count, std::uint8_t* out) {
    switch (dibBits) {
        case 24:
            for (std::uint32_t j = 0; j < count; ++j) {
                std::memcpy(out + j * 3u, dib + (start + static_cast<std::size_t>(j) * increment) * 3, 3);
            }
            break;
        case 8:
            for (std::uint32_t j = 0; j < count; ++j) out[j] = dib[start + j * increment];
            break;
        case 4:
        case 1:
            for (std::uint32_t j = 0; j < count; ++j) {
                OrPackedIndex(out, dibBits, j,
                              PackedIndex(dib, dibBits, start + static_cast<std::size_t>(j) * increment));
            }
            break;
        default:
            break;
    }
}

void GatherAlpha(const std::uint8_t* alpha, std::uint32_t start, std::uint32_t increment, std::uint32_t count,
                 std::uint8_t* out) {
    for (std::uint32_t j = 0; j < count; ++j) out[j] = alpha[start + j * increment];
}

// The filter types a FilterSet allows, in type order; None when it allows none.
std::vector<std::uint8_t> FilterTypesOf(std::uint8_t filterSet) {
    std::vector<std::uint8_t> types;
    for (std::uint8_t type = 0; type <= kFilterTypePaeth; ++type) {
        if (filterSet & (1u << type)) types.push_back(type);
    }
    if (types.empty()) types.push_back(kFilterTypeNone);
    return types;
}

// How well a filtered row is likely to compress: the sum of its bytes taken as signed
// magnitudes (the usual heuristic; smaller is better).
std::uint64_t FilterCost(const std::uint8_t* out, std::size_t n) {
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i < n; ++i) sum += out[i] < 128 ? out[i] : 256 - out[i];
    return sum;
}

// Encodes the pixels of one header into the zlib stream: row by row from the DIB, top
// row first (or pass by pass for Adam7), each row filtered and preceded by its type.
class ImageDataEncoder {
public:
    // The checks: false when the image cannot be encoded.
    bool Prepare(const PngImage& image, const HeaderChunk& header, int bitDepth,
                 const PngImage::GammaTable& inverseGamma) {
        header_ = &header;
        encode_ = FindRowEncoder(header.ColorType, bitDepth, IsIdentity(inverseGamma));
        const PixelFormat* format = FindPixelFormat(header.ColorType, header.BitDepth);
        if (encode_ == nullptr || format == nullptr || !HoldsPixels(header, *format)) return false;
        if (image.Interlace > 1 || image.IdatLimit < 1) return false;
        interlaced_ = image.Interlace == 1;
        colorType_ = header.ColorType;
        bitDepth_ = bitDepth;
        width_ = static_cast<std::uint32_t>(header.Width);
        height_ = static_cast<std::uint32_t>(header.Height);
        dibBits_ = format->dibBits;
        step_ = PixelStepFor(colorType_, bitDepth_);
        inverseGamma_ = inverseGamma.data();
        filters_ = FilterTypesOf(image.FilterSet);
        maxRowBytes_ = RowBytesFor(width_, colorType_, bitDepth_);
        return maxRowBytes_ != 0;
    }

    // What else can fail before the first byte is written: the buffers and deflateInit.
    bool Start(const PngImage& image) {
        if (!Allocate()) return false;
        const std::size_t chunkSize = std::min(static_cast<std::size_t>(image.IdatLimit), kMaxIdatBuffer);
        return idat_.Start(image.CompressionLevel, chunkSize);
    }

    bool Write(Stream& stream) {
        idat_.Attach(stream);
        const bool rows = interlaced_ ? Adam7() : Sequential();
        return rows && FeedBlock() && idat_.Finish();
    }

private:
    // The pixel memory is what the header says it is, so no row is read beyond it.
    static bool HoldsPixels(const HeaderChunk& header, const PixelFormat& format) {
        const DibInfoHeader& info = header.BitmapInfo.bmiHeader;
        if (header.PixelBits() == nullptr || header.Width < 1 || header.Height < 1) return false;
        if (info.biWidth != header.Width || info.biHeight != header.Height ||
            info.biBitCount != format.dibBits) {
            return false;
        }
        const std::uint64_t rowBytes = (static_cast<std::uint64_t>(header.Width) * format.dibBits + 7) / 8;
        if (static_cast<std::uint64_t>(header.RowStride) < rowBytes) return false;
        return (header.AlphaPlane() != nullptr) == format.hasAlpha;
    }

    bool Allocate() {
        try {
            const std::size_t rowSize = maxRowBytes_ + 1;
            rows_[0].assign(maxRowBytes_, 0);
            rows_[1].assign(maxRowBytes_, 0);
            if (filters_.size() > 1) candidates_.assign(maxRowBytes_ * filters_.size(), 0);
            block_.assign(std::max(kBlockBytes, rowSize), 0);
            if (interlaced_) {
                scratch_.assign(static_cast<std::size_t>(header_->RowStride), 0);
                if (header_->AlphaPlane()) scratchAlpha_.assign(width_, 0);
            }
        } catch (const std::bad_alloc&) {
            return false;
        }
        current_ = rows_[0].data();
        previous_ = rows_[1].data();
        return true;
    }

    const std::uint8_t* DibRow(std::uint32_t y) const {
        return header_->DibRow(static_cast<std::int32_t>(y));
    }
    const std::uint8_t* AlphaRow(std::uint32_t y) const {
        return header_->AlphaPlane() ? header_->AlphaPlane() + static_cast<std::size_t>(width_) * y : nullptr;
    }

    bool Sequential() {
        for (std::uint32_t y = 0; y < height_; ++y) {
            if (!EncodeRow(DibRow(y), AlphaRow(y), width_, maxRowBytes_)) return false;
        }
        return true;
    }

    bool Adam7() {
        for (const Adam7Pass& pass : kAdam7Passes) {
            const std::uint32_t passWidth = Adam7PassWidth(pass, width_);
            const std::size_t rowBytes = RowBytesFor(passWidth, colorType_, bitDepth_);
            if (rowBytes == 0) continue;
            // Every pass starts from a row of zeros.
            std::memset(previous_, 0, rowBytes);
            for (std::uint32_t y = pass.rowStart; y < height_; y += pass.rowIncrement) {
                if (!EncodePassRow(pass, passWidth, rowBytes, y)) return false;
            }
        }
        return true;
    }

    bool EncodePassRow(const Adam7Pass& pass, std::uint32_t passWidth, std::size_t rowBytes,
                       std::uint32_t y) {
        if (pass.columnIncrement == 1) return EncodeRow(DibRow(y), AlphaRow(y), passWidth, rowBytes);
        std::memset(scratch_.data(), 0, (static_cast<std::size_t>(passWidth) * dibBits_ + 7) / 8);
        GatherPixels(dibBits_, DibRow(y), pass.columnStart, pass.columnIncrement, passWidth, scratch_.data());
        const std::uint8_t* alpha = AlphaRow(y);
        if (alpha)
            GatherAlpha(alpha, pass.columnStart, pass.columnIncrement, passWidth, scratchAlpha_.data());
        return EncodeRow(scratch_.data(), alpha ? scratchAlpha_.data() : nullptr, passWidth, rowBytes);
    }

    // Converts, filters and queues one row; the block goes to deflate when it is full.
    bool EncodeRow(const std::uint8_t* dib, const std::uint8_t* alpha, std::uint32_t pixels,
                   std::size_t rowBytes) {
        encode_(dib, alpha, current_, pixels, inverseGamma_);
        if (blockUsed_ + rowBytes + 1 > block_.size() && !FeedBlock()) return false;
        std::uint8_t* slot = block_.data() + blockUsed_;
        slot[0] = Filter(rowBytes, slot + 1);
        blockUsed_ += rowBytes + 1;
        std::swap(current_, previous_);
        return true;
    }

    // Filters the current row into `out` and returns the filter type used.
    std::uint8_t Filter(std::size_t n, std::uint8_t* out) {
        if (filters_.size() == 1) {
            FilterRow(filters_[0], current_, previous_, n, step_, out);
            return filters_[0];
        }
        std::size_t best = 0;
        std::uint64_t bestCost = UINT64_MAX;
        for (std::size_t i = 0; i < filters_.size(); ++i) {
            std::uint8_t* candidate = candidates_.data() + i * maxRowBytes_;
            FilterRow(filters_[i], current_, previous_, n, step_, candidate);
            const std::uint64_t cost = FilterCost(candidate, n);
            if (cost < bestCost) {
                bestCost = cost;
                best = i;
            }
        }
        std::memcpy(out, candidates_.data() + best * maxRowBytes_, n);
        return filters_[best];
    }

    bool FeedBlock() {
        const std::size_t used = blockUsed_;
        blockUsed_ = 0;
        return used == 0 || idat_.Feed(block_.data(), used);
    }

    const HeaderChunk* header_ = nullptr;
    RowEncoder encode_ = nullptr;
    const std::uint8_t* inverseGamma_ = nullptr;
    bool interlaced_ = false;
    int colorType_ = 0;
    int bitDepth_ = 0;
    std::uint32_t width_ = 0;
    std::uint32_t height_ = 0;
    int dibBits_ = 0;
    int step_ = 1;
    std::size_t maxRowBytes_ = 0;
    std::vector<std::uint8_t> filters_;
    std::vector<std::uint8_t> rows_[2];  // the current raw row and the one before it
    std::uint8_t* current_ = nullptr;
    std::uint8_t* previous_ = nullptr;
    std::vector<std::uint8_t> candidates_;  // one filtered row per allowed filter, when several
    std::vector<std::uint8_t> block_;       // filtered rows, each after its filter type
    std::size_t blockUsed_ = 0;
    std::vector<std::uint8_t> scratch_;       // one Adam7 pass row gathered from the DIB
    std::vector<std::uint8_t> scratchAlpha_;  // and its alpha
    IdatStream idat_;
};

// ---- The whole file

// Where a chunk goes in the file. The chunk list keeps the order AddChunk gives it (gAMA,
// tRNS and unknown chunks after IDAT), which PNG forbids; the file gets the PNG order,
// each group in list order.
enum class Place { Header, BeforePalette, Palette, BeforeImageData, ImageData, AfterImageData, Omitted };

constexpr Place kWriteOrder[] = {Place::Header,          Place::BeforePalette, Place::Palette,
                                 Place::BeforeImageData, Place::ImageData,     Place::AfterImageData};

class PngWriter {
public:
    explicit PngWriter(PngImage& image) : image_(image) {}

    // Checks the image and prepares everything that can fail before the first byte goes
    // out; then brings the data of the kinds with decoded values up to date.
    bool Prepare() {
        if (image_.Chunks().empty()) return true;
        header_ = image_.ImageHeader();
        if (header_ == nullptr) return false;
        for (const auto& chunk : image_.Chunks()) {
            if (chunk->Name().size() != 4) return false;
        }
        ChooseGammaTables();
        // Images held from 2-bit samples are held at 4 bits and written so.
        const int bitDepth = header_->BitDepth == 2 ? 4 : header_->BitDepth;
        // Without image data (a load that failed before it) no valid PNG can be made.
        if (image_.FindChunk("IDAT") == nullptr ||
            !encoder_.Prepare(image_, *header_, bitDepth, *sampleGamma_)) {
            return false;
        }
        if (header_->BitDepth == 2) WidenGreyKey();
        header_->BitDepth = static_cast<std::uint8_t>(bitDepth);
        for (const auto& chunk : image_.Chunks()) {
            if (PlaceOf(*chunk) != Place::Omitted && !RefreshData(*chunk)) return false;
        }
        return true;
    }

    // Makes the buffers and starts deflate: false, nothing written, when memory runs out.
    bool Start() { return image_.Chunks().empty() || encoder_.Start(image_); }

    bool Write(Stream& stream) {
        if (!WriteAll(stream, kPngSignature, sizeof kPngSignature)) return false;
        if (image_.Chunks().empty()) return true;
        for (Place place : kWriteOrder) {
            for (const auto& chunk : image_.Chunks()) {
                if (PlaceOf(*chunk) != place) continue;
                const bool written =
                    place == Place::ImageData ? encoder_.Write(stream) : WriteChunk(*chunk, stream);
                if (!written) return false;
            }
        }
        // A list without IEND (a file cut short after its image data) still gets one.
        return WriteChunkBytes(stream, "IEND", nullptr, 0);
    }

private:
    // The inverse gamma table undoes what decoding applied. A gAMA chunk that came after
    // the palette or the image data was not applied to them, so they are written as they
    // are, and the chunk is left out when it applied to nothing the image shows: written
    // before them, it would change their colours on the next load.
    void ChooseGammaTables() {
        const auto* gamma = image_.FindChunk("gAMA") ? image_.FindChunk("gAMA")->As<GammaChunk>() : nullptr;
        for (int i = 0; i < 256; ++i) identity_[i] = static_cast<std::uint8_t>(i);
        sampleGamma_ = gamma == nullptr || gamma->PrecedesImageData ? &image_.InverseGamma : &identity_;
        decodeGamma_ = sampleGamma_ == &identity_ ? &identity_ : &image_.Gamma;
        paletteGamma_ = gamma == nullptr || gamma->PrecedesPalette ? &image_.InverseGamma : &identity_;
        if (gamma != nullptr) {
            writeGamma_ =
                header_->ColorType == kColorTypePalette ? gamma->PrecedesPalette : gamma->PrecedesImageData;
        }
    }

    Place PlaceOf(const PngChunk& chunk) const {
        const std::string& name = chunk.Name();
        if (&chunk == header_) return Place::Header;
        switch (chunk.Kind()) {
            case ChunkKind::Header:
            case ChunkKind::End:
                return Place::Omitted;  // IEND is always written last
            case ChunkKind::Data:
                return Place::ImageData;
            case ChunkKind::Palette:
                // PNG forbids a palette in grey images; the grey ramp replaces it on load anyway.
                return header_->ColorType == kColorTypeGrey || header_->ColorType == kColorTypeGreyAlpha
                           ? Place::Omitted
                           : Place::Palette;
            case ChunkKind::Gamma:
                return writeGamma_ ? Place::BeforePalette : Place::Omitted;
            case ChunkKind::Alpha:
                // Longer than any table, or beside an alpha channel, tRNS is invalid and
                // no reader uses it; before IDAT ours would refuse the whole file.
                if (chunk.DataSize() > 256 || header_->ColorType == kColorTypeGreyAlpha ||
                    header_->ColorType == kColorTypeRgba) {
                    return Place::Omitted;
                }
                return Place::BeforeImageData;
            default:
                break;
        }
        if (BelongsBeforePalette(name)) return Place::BeforePalette;
        if (BelongsBeforeImageData(name)) return Place::BeforeImageData;
        return Place::AfterImageData;
    }

    bool RefreshData(PngChunk& chunk) {
        switch (chunk.Kind()) {
            case ChunkKind::Header:
                return RefreshHeader(static_cast<HeaderChunk&>(chunk));
            case ChunkKind::Palette:
                return RefreshPalette(static_cast<PaletteChunk&>(chunk));
            case ChunkKind::Alpha: {
                auto& alpha = static_cast<AlphaChunk&>(chunk);
                std::memcpy(alpha.Data(), alpha.AlphaTable.data(),
                            static_cast<std::size_t>(alpha.DataSize()));
                MapTransparentKey(alpha);
                return true;
            }
            case ChunkKind::Text: {
                const auto& text = static_cast<TextChunk&>(chunk);
                const std::size_t size = text.Keyword.size() + 1 + text.Text.size();
                if (!chunk.ResizeData(size)) return false;
                std::memcpy(chunk.Data(), text.Keyword.data(), text.Keyword.size());
                chunk.Data()[text.Keyword.size()] = 0;
                std::memcpy(chunk.Data() + text.Keyword.size() + 1, text.Text.data(), text.Text.size());
                return true;
            }
            case ChunkKind::Time: {
                const auto& time = static_cast<TimeChunk&>(chunk);
                if (!chunk.ResizeData(7)) return false;
                const std::uint8_t bytes[7] = {time.Year[0], time.Year[1], time.Month, time.Day,
                                               time.Hour,    time.Minute,  time.Second};
                std::memcpy(chunk.Data(), bytes, sizeof bytes);
                return true;
            }
            default:
                return true;  // written as stored
        }
    }

    // A grey or colour tRNS names the raw sample values that are transparent, so it must
    // name them as they are written, or other readers make other pixels transparent, or none.

    // The image holds 2-bit grey as 4-bit indices 5 v and is written (and held from now on)
    // at 4 bits: so is its key.
    void WidenGreyKey() {
        PngChunk* chunk = image_.FindChunk("tRNS");
        auto* alpha = chunk ? chunk->As<AlphaChunk>() : nullptr;
        if (header_->ColorType != kColorTypeGrey || alpha == nullptr || alpha->DataSize() != 2) return;
        std::uint8_t* key = alpha->AlphaTable.data();
        if (key[0] == 0 && key[1] <= 3) key[1] = static_cast<std::uint8_t>(key[1] * 5);
    }

    // 16-bit samples keep their high byte and are written with a low byte of 0; colour
    // samples come back from the gamma table of decoding and go out through the writing one.
    void MapTransparentKey(AlphaChunk& alpha) const {
        const int samples = header_->ColorType == kColorTypeGrey  ? 1
                            : header_->ColorType == kColorTypeRgb ? 3
                                                                  : 0;
        if (samples == 0 || alpha.DataSize() != 2 * samples) return;
        const bool colour = header_->ColorType == kColorTypeRgb;
        const bool wide = header_->BitDepth == 16;
        for (int i = 0; i < samples; ++i) {
            std::uint8_t* key = alpha.Data() + 2 * i;
            if (!wide && key[0] != 0) continue;  // no sample has that value
            const std::uint8_t held = wide ? key[0] : key[1];
            const std::uint8_t written = colour ? (*sampleGamma_)[(*decodeGamma_)[held]] : held;
            key[0] = wide ? written : 0;
            key[1] = wide ? 0 : written;
        }
    }

    bool RefreshHeader(HeaderChunk& header) {
        if (!header.ResizeData(13)) return false;
        std::uint8_t* d = header.Data();
        WriteBigEndian32(d, static_cast<std::uint32_t>(header.Width));
        WriteBigEndian32(d + 4, static_cast<std::uint32_t>(header.Height));
        d[8] = header.BitDepth;
        d[9] = header.ColorType;
        // The data is deflated and filtered with the methods PNG numbers 0, whatever the
        // header was read with.
        d[10] = 0;
        d[11] = 0;
        d[12] = image_.Interlace;
        return true;
    }

    bool RefreshPalette(PaletteChunk& palette) {
        const int count = std::clamp(palette.Count, 0, 256);
        if (!palette.ResizeData(static_cast<std::size_t>(count) * 3)) return false;
        const auto& table = *paletteGamma_;
        std::uint8_t* d = palette.Data();
        for (int i = 0; i < count; ++i) {
            const RgbQuad& entry = header_->BitmapInfo.bmiColors[i];
            d[3 * i] = table[entry.rgbRed];
            d[3 * i + 1] = table[entry.rgbGreen];
            d[3 * i + 2] = table[entry.rgbBlue];
        }
        return true;
    }

    PngImage& image_;
    HeaderChunk* header_ = nullptr;
    PngImage::GammaTable identity_{};
    const PngImage::GammaTable* sampleGamma_ = nullptr;
    const PngImage::GammaTable* decodeGamma_ = nullptr;  // what the samples were decoded with
    const PngImage::GammaTable* paletteGamma_ = nullptr;
    bool writeGamma_ = false;
    ImageDataEncoder encoder_;
};

}  // namespace

bool PngImage::PrepareForSaving() {
    try {
        PngWriter writer(*this);
        return writer.Prepare();
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool PngImage::SaveStream(Stream& stream) {
    try {
        PngWriter writer(*this);
        return writer.Prepare() && writer.Start() && writer.Write(stream);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool PngImage::SaveFile(const std::string& fileName) {
    try {
        PngWriter writer(*this);
        if (!writer.Prepare() || !writer.Start()) return false;
        FileStream file(fileName.c_str(), FileMode::Create);
        return file.IsOpen() && writer.Write(file);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace tevpng
