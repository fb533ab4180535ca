#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "codec/limits.h"
#include "codec/pixel_memory.h"
#include "codec/png_format.h"

namespace tevpng {

class PngImage;
class Stream;

// LastError: why the last load failed, 0 when it did not. One byte, as callers store it.
//
// | Code | Set when |
// |------|----------|
// |  1 | a chunk CRC does not match and VerifyCrc is true |
// |  2 | the IHDR data is shorter than 13 bytes |
// |  3 | width or height is above 65535 |
// |  4 | the compression method is not 0 |
// |  5 | the interlace method is neither 0 nor 1 |
// |  6 | a tRNS chunk has more than 256 bytes, or a PLTE length is not a multiple of 3 or holds more than 256
// entries | |  7 | the image data continues into a chunk that is not IDAT | |  8 | inflate reports an error
// (a preset dictionary counts as one) | |  9 | the 8-byte PNG signature is missing or wrong | | 10 | the
// stream ends early: where a chunk length or type was expected, inside a chunk's data or CRC, or a chunk
// length reaches beyond the stream or has its top bit set | | 11 | the first chunk is not IHDR | | 12 |
// AddChunk refused the chunk (a second IHDR, PLTE, gAMA or tRNS) | | 13 | the chunk loop ended without any
// IDAT | | 14 | the header describes no image we can hold: zero width or height, or a colour type and bit
// depth outside the DIB format table | | 15 | the pixels cannot be made: DIB + alpha plane above
// kPixelMemoryLimit, or memory (pixels, chunk data, row buffers) not available |
//
// A failing handler before the first IDAT ends the load as 13 (codes 1..6); codes 10, 14 and
// 15 end it at once and stay as they are.
enum class LoadError : std::uint8_t {
    None = 0,
    CrcMismatch = 1,
    HeaderTooShort = 2,
    SizeTooLarge = 3,
    BadCompressionMethod = 4,
    BadInterlaceMethod = 5,
    BadChunkSize = 6,
    DataInterrupted = 7,
    InflateFailed = 8,
    BadSignature = 9,
    StreamEnded = 10,
    NoHeaderFirst = 11,
    DuplicateChunk = 12,
    NoImageData = 13,
    UnsupportedFormat = 14,
    NoPixelMemory = 15,
};

// Chunk kinds by their index in the name table; any other name is Other (a plain PngChunk).
enum class ChunkKind : std::uint8_t {
    Other = 0,
    Header = 1,   // "IHDR"
    End = 2,      // "IEND" (a plain PngChunk)
    Data = 3,     // "IDAT"
    Palette = 4,  // "PLTE"
    Gamma = 5,    // "gAMA"
    Alpha = 6,    // "tRNS"
    Text = 7,     // "tEXt"
    Time = 8,     // "tIME"
};

// Exact, case-sensitive lookup in the name table.
ChunkKind ChunkKindOf(std::string_view name);

// One chunk: its type name and its data exactly as in the file.
class PngChunk {
public:
    PngChunk(PngImage& owner, ChunkKind kind, std::string_view name);
    virtual ~PngChunk() = default;
    PngChunk(const PngChunk&) = delete;
    PngChunk& operator=(const PngChunk&) = delete;

    const std::string& Name() const { return name_; }
    ChunkKind Kind() const { return kind_; }
    PngImage& Owner() const { return *owner_; }

    std::uint8_t* Data() { return data_.data(); }
    const std::uint8_t* Data() const { return data_.data(); }
    std::int32_t DataSize() const { return static_cast<std::int32_t>(data_.size() - 1); }
    // Keeps the old contents; false (data unchanged) when the memory cannot be had.
    bool ResizeData(std::size_t size);
    // Makes the data a copy of other's; false (data unchanged) when the memory cannot be had.
    bool CopyDataFrom(const PngChunk& other);

    // The chunk as kind T, or null when it is of another kind.
    template <typename T>
    T* As() {
        return kind_ == T::kKind ? static_cast<T*>(this) : nullptr;
    }
    template <typename T>
    const T* As() const {
        return kind_ == T::kKind ? static_cast<const T*>(this) : nullptr;
    }

private:
    PngImage* owner_;
    ChunkKind kind_;
    std::string name_;
    std::vector<std::uint8_t> data_;  // DataSize + 1 bytes; the spare byte is always 0
};

// One row of the DIB format table: how an IHDR colour type and bit depth is held.
struct PixelFormat {
    std::uint8_t colorType;
    std::uint8_t bitDepth;
    std::uint8_t dibBits;  // bits per DIB pixel: 1, 4, 8 or 24
    bool hasPalette;       // the DIB uses its colour table
    bool hasAlpha;         // an AlphaPlane exists
};

// The format for a colour type and bit depth, or null when the pair is not held.
const PixelFormat* FindPixelFormat(int colorType, int bitDepth);

// IHDR: the header values, and the pixels they describe. The DIB is bottom-up (the first
// image row is the last RowStride bytes of PixelBits); AlphaPlane runs top row first with
// Width bytes per row and no padding.
class HeaderChunk final : public PngChunk {
public:
    static constexpr ChunkKind kKind = ChunkKind::Header;
    using PngChunk::PngChunk;

    // The 13 IHDR bytes in file order, Width and Height in host order.
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    std::uint8_t BitDepth = 0;
    std::uint8_t ColorType = 0;
    std::uint8_t CompressionMethod = 0;
    std::uint8_t FilterMethod = 0;
    std::uint8_t InterlaceMethod = 0;

    bool HasPalette = false;     // the DIB has 1, 4 or 8 bits per pixel and uses the colour table
    DibInfo BitmapInfo{};        // the DIB's format and colour table
    std::int32_t RowStride = 0;  // bytes per DIB row, a multiple of 4

    // Makes the DIB and, for colour types 4 and 6, the alpha plane for the header values,
    // releasing what an earlier call made. Both are zeroed unless `zeroed` is false (the
    // reader's decoder writes every byte itself). Returns None, UnsupportedFormat (zero
    // size or a colour type and depth outside the format table) or NoPixelMemory.
    LoadError CreatePixelMemory(bool zeroed = true);
    // Zeroes the DIB and the alpha plane.
    void ZeroPixels();
    // Whether the DIB and the alpha plane came zeroed from CreatePixelMemory (asked for,
    // or free to have for large images).
    bool PixelsStartedZeroed() const { return pixelsStartedZeroed_; }
    void ReleasePixelMemory();

    std::uint8_t* PixelBits() const { return pixels_.Bits(); }
    std::uint8_t* AlphaPlane() const { return alpha_.get(); }
    // The DIB section (HBITMAP) and its memory DC (HDC) on Windows; null natively.
    void* Bitmap() const { return pixels_.Bitmap(); }
    void* BitmapDC() const { return pixels_.Dc(); }
    // Image row y (0 the top row) of the bottom-up DIB: row 0 is the last RowStride bytes.
    std::uint8_t* DibRow(std::int32_t y) const {
        return PixelBits() + static_cast<std::size_t>(RowStride) * static_cast<std::size_t>(Height - 1 - y);
    }
    // Bytes of PixelBits: RowStride x Height once pixel memory exists, else 0.
    std::size_t PixelBytes() const { return PixelBits() ? static_cast<std::size_t>(RowStride) * Height : 0; }
    // Gives pixels that have no alpha plane one of Width x Height bytes, all `value`. The DIB
    // is kept. False (nothing changed) without pixel memory, with an alpha plane already, or
    // when the memory cannot be had.
    bool AttachAlphaPlane(std::uint8_t value);
    // Makes this chunk's pixel memory a copy of other's: the same DIB format and bytes and
    // the same alpha plane (none without pixels), in plain memory when nothing is to draw
    // it. False, holding none, when the memory cannot be had.
    enum class Drawn { Yes, No };
    bool CopyPixelsFrom(const HeaderChunk& other, Drawn drawn);

private:
    struct FreeDeleter {
        void operator()(std::uint8_t* p) const;
    };
    PixelMemory pixels_;
    std::unique_ptr<std::uint8_t, FreeDeleter> alpha_;
    bool pixelsStartedZeroed_ = false;
};

// IEND's and unknown names' chunks are plain PngChunks.

// IDAT: stands for all the image data; its own Data stays empty.
class DataChunk final : public PngChunk {
public:
    static constexpr ChunkKind kKind = ChunkKind::Data;
    using PngChunk::PngChunk;
};

// PLTE: the colours themselves are kept in the header's colour table.
class PaletteChunk final : public PngChunk {
public:
    static constexpr ChunkKind kKind = ChunkKind::Palette;
    using PngChunk::PngChunk;

    std::int32_t Count = 0;  // number of palette entries

    // Entry index of the header's colour table; all zero at or beyond Count.
    RgbQuad PaletteEntry(int index) const;
};

// gAMA: the value is its 4 data bytes, big-endian; a new one holds the value 1.
class GammaChunk final : public PngChunk {
public:
    static constexpr ChunkKind kKind = ChunkKind::Gamma;
    GammaChunk(PngImage& owner, ChunkKind kind, std::string_view name);

    std::uint32_t Value() const;
    void SetValue(std::uint32_t value);

    // Whether the chunk came before any PLTE and before any IDAT: only then were the
    // palette and the pixels decoded through its table, and only then does writing them
    // back need the inverse table.
    bool PrecedesPalette = true;
    bool PrecedesImageData = true;
};

// tRNS: its bytes in AlphaTable, 255 past them. For a palette image the alpha of each
// entry; for grey and colour images the transparent key's samples, big-endian.
class AlphaChunk final : public PngChunk {
public:
    static constexpr ChunkKind kKind = ChunkKind::Alpha;
    using PngChunk::PngChunk;

    bool SingleKey = false;  // one colour is transparent, everything else opaque
    std::array<std::uint8_t, 256> AlphaTable{};
};

// tEXt: a keyword and its text, kept as read so that they are written out again.
class TextChunk final : public PngChunk {
public:
    static constexpr ChunkKind kKind = ChunkKind::Text;
    using PngChunk::PngChunk;

    std::string Keyword;
    std::string Text;
};

// tIME: the time of the last change, kept as read so that it is written out again.
class TimeChunk final : public PngChunk {
public:
    static constexpr ChunkKind kKind = ChunkKind::Time;
    using PngChunk::PngChunk;

    std::array<std::uint8_t, 2> Year{};  // in file order (big-endian)
    std::uint8_t Month = 0;
    std::uint8_t Day = 0;
    std::uint8_t Hour = 0;
    std::uint8_t Minute = 0;
    std::uint8_t Second = 0;
};

// Bits of FilterSet.
inline constexpr std::uint8_t kFilterNone = 1 << 0;
inline constexpr std::uint8_t kFilterSub = 1 << 1;
inline constexpr std::uint8_t kFilterUp = 1 << 2;
inline constexpr std::uint8_t kFilterAverage = 1 << 3;
inline constexpr std::uint8_t kFilterPaeth = 1 << 4;

// One PNG in memory: its chunks in a fixed order, the first (IHDR) holding the pixels.
class PngImage {
public:
    using GammaTable = std::array<std::uint8_t, 256>;

    PngImage();
    ~PngImage();
    PngImage(const PngImage&) = delete;
    PngImage& operator=(const PngImage&) = delete;

    LoadError LastError = LoadError::None;
    bool VerifyCrc = false;               // a CRC mismatch fails the load only when set
    GammaTable Gamma{};                   // applied to colour samples and palette entries when decoding
    GammaTable InverseGamma{};            // its inverse, for writing
    std::uint8_t FilterSet = kFilterSub;  // filters the writer may use
    std::uint8_t CompressionLevel = 7;    // deflate level for writing
    std::int32_t IdatLimit = 65535;       // largest IDAT chunk the writer emits
    std::uint8_t Interlace = 0;           // 0 none, 1 Adam7; set from the header on load

    // Destroys every chunk and resets Gamma and InverseGamma to the identity.
    void Clear();

    // Reads a PNG from the stream's current position. True when the image is usable;
    // LastError says why not (or what went wrong after the pixels were read).
    bool LoadStream(Stream& stream);
    // A file that cannot be opened reads as empty (code 9).
    bool LoadFile(const std::string& fileName);

    // Makes this image a copy of `other`, chunk by chunk with their decoded values and the
    // pixels, and with its settings and gamma tables. A copy that is not to be drawn keeps
    // its pixels in plain memory. False (this image left empty) when the memory cannot be
    // had.
    bool CopyFrom(const PngImage& other, HeaderChunk::Drawn drawn = HeaderChunk::Drawn::Yes);

    // Brings the image into the state writing it leaves it in (the data of the chunks with
    // decoded values refreshed from them, 2-bit grey held at 4 bits from then on) and says
    // whether it can be written; SaveStream does this first. An empty image can be written
    // (as the signature alone), so it returns true.
    bool PrepareForSaving();

    // Writes the image as a PNG at the stream's current position; an empty image as the
    // signature alone. False, having written nothing, when the image cannot be written (no
    // header or image data, pixels in no format the writer knows, settings out of range,
    // no memory); false also when the stream refuses bytes or deflate fails, and then
    // nothing more is written after that point.
    bool SaveStream(Stream& stream);
    // Creates the file (replacing one that exists) and writes the image into it. False
    // when the file cannot be created, and then nothing is written; an image that cannot
    // be written leaves an existing file alone.
    bool SaveFile(const std::string& fileName);

    std::int32_t Width() const;   // 0 without header
    std::int32_t Height() const;  // 0 without header

    // Chunks[0] whatever its name, or null when there are no chunks.
    PngChunk* Header() const;
    // There are chunks and the first is named "IHDR".
    bool HasHeader() const;
    // Header() as the HeaderChunk when HasHeader(), else null.
    HeaderChunk* ImageHeader() const;
    // The first chunk of that exact name, or null.
    PngChunk* FindChunk(std::string_view name) const;
    // Creates a chunk of the kind the name selects at its place in the fixed order;
    // null when the name is one of a kind that exists at most once and it already exists.
    PngChunk* AddChunk(std::string_view name);

    const std::vector<std::unique_ptr<PngChunk>>& Chunks() const { return chunks_; }

    // Clears the image and makes `chunks` (made with this image as their owner) its chunk
    // list, in that order. Cannot fail, so an image rebuilt elsewhere replaces the old
    // content all at once.
    void ReplaceChunks(std::vector<std::unique_ptr<PngChunk>> chunks) noexcept;

private:
    int IndexOf(std::string_view name) const;  // -1 when absent
    std::unique_ptr<PngChunk> MakeChunk(ChunkKind kind, std::string_view name);

    std::vector<std::unique_ptr<PngChunk>> chunks_;
    int endAt_ = -1;  // index of the first IEND chunk, -1 when there is none
};

// Whether a gamma table maps every value to itself (no gAMA chunk was applied).
bool IsIdentity(const PngImage::GammaTable& table);

}  // namespace tevpng
