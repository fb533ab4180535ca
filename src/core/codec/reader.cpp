// Reading a PNG stream into a PngImage: the signature, the chunk loop, one handler per
// chunk kind, and the image data streamed from the IDAT chunks through inflate into the
// row decoder, never holding more than one 65535-byte block of compressed data.
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <string_view>

#include "codec/crc.h"
#include "codec/png_format.h"
#include "codec/png_image.h"
#include "codec/row_decoder.h"
#include "io/file_stream.h"
#include "io/read_ahead_stream.h"
#include "io/stream.h"

namespace tevpng {

namespace {

// Compressed image data is read in blocks of this size, straight from the stream.
constexpr std::size_t kInputBufferSize = 65535;
// A chunk length with its top bit set is never valid.
constexpr std::uint32_t kMaxChunkLength = 0x7FFFFFFF;

// What the chunk loop does after a chunk.
enum class Next {
    Continue,     // read the next chunk
    EndLoop,      // stop reading chunks; the load succeeds when image data was read
    StreamEnded,  // the stream ran out (code 10): usable when header and image data were read
    Refuse,       // the load fails at once, with the code already set
};

struct ChunkHead {
    std::uint32_t length = 0;
    std::array<std::uint8_t, 4> type{};

    std::string_view Type() const { return {reinterpret_cast<const char*>(type.data()), type.size()}; }
};

// The stream of one load, with the position and size tracked here so that bounds checks
// cost no calls.
class ChunkReader {
public:
    ChunkReader(PngImage& image, Stream& stream) : image_(image), stream_(stream) {
        position_ = std::max<std::int64_t>(stream.Position(), 0);
        size_ = stream.Size();
    }

    PngImage& Image() const { return image_; }
    std::int64_t Position() const { return position_; }
    std::int64_t Remaining() const { return std::max<std::int64_t>(size_ - position_, 0); }

    std::size_t Read(void* buffer, std::size_t count) {
        std::size_t got = stream_.Read(buffer, count);
        position_ += static_cast<std::int64_t>(got);
        return got;
    }
    bool ReadExact(void* buffer, std::size_t count) { return Read(buffer, count) == count; }
    // The stream's own bytes instead of a copy, when it holds them in memory; else null.
    const std::uint8_t* Borrow(std::size_t count, std::size_t& got) {
        const std::uint8_t* at = stream_.Borrow(count, got);
        if (at != nullptr) position_ += static_cast<std::int64_t>(got);
        return at;
    }

    // Moves on by count bytes; false (standing at the end) when the stream is shorter.
    // Never seeks beyond the end: a memory stream would grow to meet it.
    bool Skip(std::int64_t count) {
        if (count > Remaining()) {
            if (stream_.Seek(size_, SeekOrigin::Begin) >= 0) position_ = size_;
            return false;
        }
        if (count > 0 && stream_.Seek(count, SeekOrigin::Current) < 0) return false;
        position_ += count;
        return true;
    }

    // Whether a chunk of this length, with its CRC, lies within the stream.
    bool Holds(std::uint32_t length) const {
        return length <= kMaxChunkLength && static_cast<std::int64_t>(length) + 4 <= Remaining();
    }

    Next Fail(LoadError code, Next next) {
        image_.LastError = code;
        return next;
    }

    // Whether an ancillary chunk of this length still fits the limits; counts it if so.
    bool KeepAncillary(std::uint32_t length) {
        if (ancillaryChunks_ >= kAncillaryChunkLimit || ancillaryBytes_ + length > kAncillaryBytesLimit)
            return false;
        ++ancillaryChunks_;
        ancillaryBytes_ += length;
        return true;
    }

    // The header's pixel memory is made uninitialised for the decoder to fill; should the
    // load end before the decoder wrote it, ZeroUnwrittenPixels zeroes it.
    void AwaitPixels(HeaderChunk* header) { unwrittenPixels_ = header; }
    void ZeroUnwrittenPixels() {
        if (unwrittenPixels_ != nullptr && !unwrittenPixels_->PixelsStartedZeroed())
            unwrittenPixels_->ZeroPixels();
        unwrittenPixels_ = nullptr;
    }
    void PixelsWritten() { unwrittenPixels_ = nullptr; }

private:
    PngImage& image_;
    Stream& stream_;
    std::int64_t position_ = 0;
    std::int64_t size_ = 0;
    HeaderChunk* unwrittenPixels_ = nullptr;
    int ancillaryChunks_ = 0;
    std::uint64_t ancillaryBytes_ = 0;
};

// ---- Generic chunk data

Next ReadChunkData(ChunkReader& in, PngChunk& chunk, const ChunkHead& head) {
    if (!chunk.ResizeData(head.length)) return in.Fail(LoadError::NoPixelMemory, Next::Refuse);
    if (head.length > 0 && !in.ReadExact(chunk.Data(), head.length)) {
        return in.Fail(LoadError::StreamEnded, Next::StreamEnded);
    }
    std::uint8_t crc[4];
    if (!in.ReadExact(crc, sizeof crc)) return in.Fail(LoadError::StreamEnded, Next::StreamEnded);
    // CRCs are only worked out when somebody asked for them to be checked.
    if (in.Image().VerifyCrc &&
        ReadBigEndian32(crc) != ChunkCrc(head.type.data(), chunk.Data(), head.length)) {
        return in.Fail(LoadError::CrcMismatch, Next::EndLoop);
    }
    return Next::Continue;
}

// ---- Kind handlers

Next ReadHeaderChunk(ChunkReader& in, PngChunk& chunk, const ChunkHead& head) {
    if (Next next = ReadChunkData(in, chunk, head); next != Next::Continue) return next;
    auto& header = static_cast<HeaderChunk&>(chunk);
    if (chunk.DataSize() < 13) return in.Fail(LoadError::HeaderTooShort, Next::EndLoop);
    const std::uint8_t* d = chunk.Data();
    const std::uint32_t width = ReadBigEndian32(d);
    const std::uint32_t height = ReadBigEndian32(d + 4);
    header.Width = static_cast<std::int32_t>(width);
    header.Height = static_cast<std::int32_t>(height);
    header.BitDepth = d[8];
    header.ColorType = d[9];
    header.CompressionMethod = d[10];
    header.FilterMethod = d[11];
    header.InterlaceMethod = d[12];
    if (width > kMaxDimension || height > kMaxDimension)
        return in.Fail(LoadError::SizeTooLarge, Next::EndLoop);
    if (header.CompressionMethod != 0) return in.Fail(LoadError::BadCompressionMethod, Next::EndLoop);
    if (header.InterlaceMethod > 1) return in.Fail(LoadError::BadInterlaceMethod, Next::EndLoop);
    in.Image().Interlace = header.InterlaceMethod;
    if (LoadError made = header.CreatePixelMemory(false); made != LoadError::None)
        return in.Fail(made, Next::Refuse);
    in.AwaitPixels(&header);
    return Next::Continue;
}

Next ReadPaletteChunk(ChunkReader& in, PngChunk& chunk, const ChunkHead& head) {
    if (Next next = ReadChunkData(in, chunk, head); next != Next::Continue) return next;
    const std::int32_t size = chunk.DataSize();
    if (size % 3 != 0 || size / 3 > 256) return in.Fail(LoadError::BadChunkSize, Next::EndLoop);
    auto& palette = static_cast<PaletteChunk&>(chunk);
    palette.Count = size / 3;
    HeaderChunk* header = in.Image().ImageHeader();
    if (header == nullptr) return Next::Continue;
    const auto& gamma = in.Image().Gamma;
    const std::uint8_t* d = chunk.Data();
    for (int i = 0; i < palette.Count; ++i) {
        header->BitmapInfo.bmiColors[i] =
            RgbQuad{gamma[d[3 * i + 2]], gamma[d[3 * i + 1]], gamma[d[3 * i]], 0};
    }
    return Next::Continue;
}

Next ReadTransparencyChunk(ChunkReader& in, PngChunk& chunk, const ChunkHead& head) {
    if (Next next = ReadChunkData(in, chunk, head); next != Next::Continue) return next;
    const std::int32_t size = chunk.DataSize();
    if (size > 256) return in.Fail(LoadError::BadChunkSize, Next::EndLoop);
    auto& alpha = static_cast<AlphaChunk&>(chunk);
    alpha.AlphaTable.fill(255);
    std::memcpy(alpha.AlphaTable.data(), chunk.Data(), static_cast<std::size_t>(size));
    const HeaderChunk* header = in.Image().ImageHeader();
    const int colorType = header ? header->ColorType : -1;
    if (colorType == kColorTypeGrey || colorType == kColorTypeRgb) {
        alpha.SingleKey = true;
    } else if (colorType == kColorTypePalette) {
        // One partly transparent entry is drawn as a colour key; none or several need blending.
        const auto notOpaque = std::count_if(alpha.AlphaTable.begin(), alpha.AlphaTable.begin() + size,
                                             [](std::uint8_t a) { return a != 255; });
        alpha.SingleKey = notOpaque == 1;
    }
    return Next::Continue;
}

// Gamma[i] = round((i / 255)^x * 255) with x = 1 / (gamma * 2.2): the file's gamma
// combined with a 2.2 display. InverseGamma maps each result back.
void FillGammaTables(PngImage& image, std::uint32_t value) {
    const long double exponent = 1.0L / ((static_cast<long double>(value) / 100000.0L) * 2.2L);
    for (int i = 0; i < 256; ++i) {
        const long double level = i == 0 ? 0.0L : std::pow(static_cast<long double>(i) / 255.0L, exponent);
        const long g = std::lrint(level * 255.0L);
        const auto index = static_cast<std::uint8_t>(std::clamp<long>(g, 0, 255));
        image.Gamma[i] = index;
        image.InverseGamma[index] = static_cast<std::uint8_t>(i);
    }
}

Next ReadGammaChunk(ChunkReader& in, PngChunk& chunk, const ChunkHead& head) {
    if (Next next = ReadChunkData(in, chunk, head); next != Next::Continue) return next;
    auto& gamma = static_cast<GammaChunk&>(chunk);
    // A gAMA of the wrong length counts as the value 1, and is kept as such.
    if (chunk.DataSize() != 4) gamma.SetValue(1);
    const std::uint32_t value = gamma.Value();
    if (value != 0) FillGammaTables(in.Image(), value);
    return Next::Continue;
}

Next ReadTimeChunk(ChunkReader& in, PngChunk& chunk, const ChunkHead& head) {
    if (Next next = ReadChunkData(in, chunk, head); next != Next::Continue) return next;
    if (chunk.DataSize() != 7) return Next::Continue;
    auto& time = static_cast<TimeChunk&>(chunk);
    const std::uint8_t* d = chunk.Data();
    time.Year = {d[0], d[1]};
    time.Month = d[2];
    time.Day = d[3];
    time.Hour = d[4];
    time.Minute = d[5];
    time.Second = d[6];
    return Next::Continue;
}

Next ReadTextChunk(ChunkReader& in, PngChunk& chunk, const ChunkHead& head) {
    if (Next next = ReadChunkData(in, chunk, head); next != Next::Continue) return next;
    if (chunk.DataSize() < 3) return Next::Continue;
    auto& text = static_cast<TextChunk&>(chunk);
    const auto* d = reinterpret_cast<const char*>(chunk.Data());
    const std::string_view data(d, static_cast<std::size_t>(chunk.DataSize()));
    const std::size_t zero = data.find('\0');
    text.Keyword = std::string(data.substr(0, zero));
    text.Text = zero == std::string_view::npos ? std::string() : std::string(data.substr(zero + 1));
    return Next::Continue;
}

// ---- Image data

// Feeds inflate from the IDAT chunks, one after the other, and gives the row decoder the
// inflated bytes it asks for.
class ZlibReader final : public ImageDataSource {
public:
    ZlibReader(ChunkReader& in, const ChunkHead& head)
        : in_(in), verify_(in.Image().VerifyCrc), chunkEnd_(in.Position() + head.length) {
        if (verify_) crc_ = UpdateCrc(0xFFFFFFFFu, head.type.data(), 4);
    }
    ~ZlibReader() {
        if (started_) inflateEnd(&z_);
    }
    ZlibReader(const ZlibReader&) = delete;
    ZlibReader& operator=(const ZlibReader&) = delete;

    bool Start() {
        started_ = inflateInit(&z_) == Z_OK;
#if ZLIB_VERNUM >= 0x1290
        // The Adler-32 at the end of the stream is never compared: the rows are complete before
        // it, and the rest of the chunk is passed over. So inflate need not work it out either.
        if (started_) inflateValidate(&z_, 0);
#endif
        return started_;
    }

    std::size_t ReadImageData(std::uint8_t* buffer, std::size_t count) override {
        if (stopped_) return 0;
        z_.next_out = buffer;
        z_.avail_out = static_cast<uInt>(count);
        while (z_.avail_out > 0) {
            if (z_.avail_in == 0 && !Refill()) break;
            const int result = inflate(&z_, Z_NO_FLUSH);
            if (result == Z_STREAM_END) {
                stopped_ = true;
                break;
            }
            if (result != Z_OK) {
                in_.Image().LastError = LoadError::InflateFailed;
                stopped_ = failed_ = corrupt_ = true;
                break;
            }
        }
        return count - z_.avail_out;
    }

    bool DataCorrupt() const override { return corrupt_; }

    // After the rows: stand after the CRC of the IDAT chunk the data ended in.
    Next Finish() {
        // After an error the stream no longer stands at a chunk boundary: stop reading chunks.
        if (failed_) return Next::EndLoop;
        // Rows can be complete before the chunk is: its tail (the zlib checksum, say) is passed over.
        const std::int64_t rest = chunkEnd_ - in_.Position();
        if (rest > 0) {
            if (verify_) {
                if (!ReadIntoCrc(rest)) return in_.Fail(LoadError::StreamEnded, Next::StreamEnded);
            } else if (!in_.Skip(rest)) {
                return in_.Fail(LoadError::StreamEnded, Next::StreamEnded);
            }
        }
        std::uint8_t crc[4];
        if (!in_.ReadExact(crc, sizeof crc)) return in_.Fail(LoadError::StreamEnded, Next::StreamEnded);
        if (verify_ && ReadBigEndian32(crc) != ~crc_) return in_.Fail(LoadError::CrcMismatch, Next::EndLoop);
        return Next::Continue;
    }

private:
    // Gives inflate the next block of compressed bytes: from the current IDAT chunk, or from
    // the IDAT chunks that follow it. False when there is none (the data ran out or failed).
    bool Refill() {
        while (in_.Position() >= chunkEnd_) {
            if (!NextChunk()) {
                stopped_ = failed_ = true;
                return false;
            }
        }
        const std::size_t wanted = static_cast<std::size_t>(
            std::min<std::int64_t>(static_cast<std::int64_t>(kInputBufferSize), chunkEnd_ - in_.Position()));
        std::size_t got = 0;
        const std::uint8_t* block = in_.Borrow(wanted, got);
        if (block == nullptr) {
            // Streams that cannot lend their bytes are read through a buffer of our own.
            if (!input_) input_.reset(new std::uint8_t[kInputBufferSize]);
            block = input_.get();
            got = in_.Read(input_.get(), wanted);
        }
        if (verify_) crc_ = UpdateCrc(crc_, block, got);
        if (got == 0) {
            stopped_ = true;  // the stream ends inside the chunk
            return false;
        }
        z_.next_in = const_cast<std::uint8_t*>(block);  // zlib's interfaces predate const
        z_.avail_in = static_cast<uInt>(got);
        return true;
    }

    // The current IDAT chunk is used up: check its CRC and step into the next chunk, which
    // must be an IDAT too.
    bool NextChunk() {
        std::uint8_t crc[4];
        std::uint8_t head[8];
        if (!in_.ReadExact(crc, sizeof crc)) return Stop(LoadError::StreamEnded);
        if (verify_ && ReadBigEndian32(crc) != ~crc_) return Corrupt(LoadError::CrcMismatch);
        if (!in_.ReadExact(head, sizeof head)) return Stop(LoadError::StreamEnded);
        if (std::memcmp(head + 4, "IDAT", 4) != 0) return Corrupt(LoadError::DataInterrupted);
        const std::uint32_t length = ReadBigEndian32(head);
        if (length > kMaxChunkLength) return Stop(LoadError::StreamEnded);
        if (verify_) crc_ = UpdateCrc(0xFFFFFFFFu, head + 4, 4);
        chunkEnd_ = in_.Position() + length;
        return true;
    }

    bool Stop(LoadError code) {
        in_.Image().LastError = code;
        return false;
    }
    bool Corrupt(LoadError code) {
        corrupt_ = true;
        return Stop(code);
    }

    bool ReadIntoCrc(std::int64_t count) {
        if (!input_) input_.reset(new std::uint8_t[kInputBufferSize]);
        while (count > 0) {
            const auto part = static_cast<std::size_t>(std::min<std::int64_t>(count, kInputBufferSize));
            const std::size_t got = in_.Read(input_.get(), part);
            crc_ = UpdateCrc(crc_, input_.get(), got);
            if (got < part) return false;
            count -= static_cast<std::int64_t>(got);
        }
        return true;
    }

    ChunkReader& in_;
    const bool verify_;
    std::int64_t chunkEnd_;  // stream position where the current IDAT chunk's data ends
    std::uint32_t crc_ = 0;  // running CRC of the current IDAT chunk, kept only when verifying
    z_stream z_{};
    bool started_ = false;
    bool stopped_ = false;  // no more data will come
    bool failed_ = false;   // ... because of an error, recorded in LastError
    bool corrupt_ = false;  // ... and the bytes before it cannot be trusted
    std::unique_ptr<std::uint8_t[]> input_;
};

Next ReadImageDataChunk(ChunkReader& in, PngChunk&, const ChunkHead& head) {
    PngImage& image = in.Image();
    HeaderChunk* header = image.ImageHeader();
    if (header == nullptr || header->PixelBits() == nullptr) return Next::EndLoop;
    if (header->HasPalette) BuildGreyPalette(*header, image.Gamma);
    ZlibReader zlib(in, head);
    if (!zlib.Start()) return in.Fail(LoadError::NoPixelMemory, Next::Refuse);
    if (!DecodeImageRows(*header, image.Interlace == 1, image.Gamma, zlib)) {
        return in.Fail(LoadError::NoPixelMemory, Next::Refuse);
    }
    in.PixelsWritten();
    return zlib.Finish();
}

// ---- The chunk loop

using Handler = Next (*)(ChunkReader&, PngChunk&, const ChunkHead&);

// Indexed by ChunkKind.
constexpr Handler kHandlers[] = {
    ReadChunkData,          // Other
    ReadHeaderChunk,        // IHDR
    ReadChunkData,          // IEND
    ReadImageDataChunk,     // IDAT
    ReadPaletteChunk,       // PLTE
    ReadGammaChunk,         // gAMA
    ReadTransparencyChunk,  // tRNS
    ReadTextChunk,          // tEXt
    ReadTimeChunk,          // tIME
};
static_assert(std::size(kHandlers) == static_cast<std::size_t>(ChunkKind::Time) + 1);

// The chunks kept only to be written out again (the limits count them).
bool IsAncillary(ChunkKind kind) {
    return kind == ChunkKind::Text || kind == ChunkKind::Time || kind == ChunkKind::Other;
}

// The stream ended: what was read is usable when it has a header and image data.
bool EndOfStream(PngImage& image) {
    image.LastError = LoadError::StreamEnded;
    return image.HasHeader() && image.FindChunk("IDAT") != nullptr;
}

bool ReadChunkHead(ChunkReader& in, ChunkHead& head) {
    std::uint8_t bytes[8];
    if (!in.ReadExact(bytes, sizeof bytes)) return false;
    head.length = ReadBigEndian32(bytes);
    std::memcpy(head.type.data(), bytes + 4, 4);
    return true;
}

// Zeroes pixel memory the decoder never reached, however the load ends.
class UnwrittenPixelsGuard {
public:
    explicit UnwrittenPixelsGuard(ChunkReader& in) : in_(in) {}
    ~UnwrittenPixelsGuard() { in_.ZeroUnwrittenPixels(); }
    UnwrittenPixelsGuard(const UnwrittenPixelsGuard&) = delete;
    UnwrittenPixelsGuard& operator=(const UnwrittenPixelsGuard&) = delete;

private:
    ChunkReader& in_;
};

bool RunChunkLoop(PngImage& image, Stream& stream) {
    ChunkReader in(image, stream);
    UnwrittenPixelsGuard guard(in);
    std::uint8_t signature[8];
    if (!in.ReadExact(signature, sizeof signature) ||
        std::memcmp(signature, kPngSignature, sizeof kPngSignature) != 0) {
        image.LastError = LoadError::BadSignature;
        return false;
    }
    bool imageData = false;
    for (;;) {
        ChunkHead head;
        if (!ReadChunkHead(in, head)) return EndOfStream(image);
        const std::string_view type = head.Type();
        if (image.Chunks().empty() && type != "IHDR") {
            image.LastError = LoadError::NoHeaderFirst;
            return false;
        }
        const bool isData = type == "IDAT";
        // IDAT chunks after the image data (a trailing checksum, say) and cHRM are passed over.
        if ((imageData && isData) || type == "cHRM") {
            if (!in.Skip(static_cast<std::int64_t>(head.length) + 4)) return EndOfStream(image);
            continue;
        }
        // The first IDAT may run past the end of a truncated stream: its rows are read as far as they go.
        if (head.length > kMaxChunkLength || (!isData && !in.Holds(head.length))) return EndOfStream(image);
        // Past the limits, ancillary chunks are passed over: the image still loads.
        if (IsAncillary(ChunkKindOf(type)) && !in.KeepAncillary(head.length)) {
            in.Skip(static_cast<std::int64_t>(head.length) + 4);
            continue;
        }
        if (isData) imageData = true;
        PngChunk* chunk = image.AddChunk(type);
        if (chunk == nullptr) {
            image.LastError = LoadError::DuplicateChunk;
            return false;
        }
        const Next next = kHandlers[static_cast<std::size_t>(chunk->Kind())](in, *chunk, head);
        if (next == Next::Refuse) return false;
        if (next == Next::StreamEnded) return EndOfStream(image);
        if (next == Next::EndLoop || type == "IEND") break;
    }
    if (!imageData) {
        image.LastError = LoadError::NoImageData;
        return false;
    }
    return true;
}

}  // namespace

bool PngImage::LoadStream(Stream& stream) {
    LastError = LoadError::None;
    Clear();
    try {
        return RunChunkLoop(*this, stream);
    } catch (const std::bad_alloc&) {
        LastError = LoadError::NoPixelMemory;
        return false;
    }
}

bool PngImage::LoadFile(const std::string& fileName) {
    FileStream file(fileName.c_str(), FileMode::Read);
    ReadAheadStream stream(file);
    return LoadStream(stream);
}

}  // namespace tevpng
