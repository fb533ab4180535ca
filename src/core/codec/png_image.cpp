#include "codec/png_image.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>

#include "codec/png_format.h"

namespace tevpng {

namespace {

struct ChunkName {
    std::string_view name;
    ChunkKind kind;
};

constexpr ChunkName kChunkNames[] = {
    {"IHDR", ChunkKind::Header},  {"IEND", ChunkKind::End},   {"IDAT", ChunkKind::Data},
    {"PLTE", ChunkKind::Palette}, {"gAMA", ChunkKind::Gamma}, {"tRNS", ChunkKind::Alpha},
    {"tEXt", ChunkKind::Text},    {"tIME", ChunkKind::Time},
};

// How each colour type and bit depth is held. 2-bit samples widen to 4 bits and 16-bit
// samples keep their high byte, so every DIB is 1, 4, 8 or 24 bits per pixel.
constexpr PixelFormat kPixelFormats[] = {
    // colour type         depth dibBits palette alpha
    {kColorTypeGrey, 1, 1, true, false},      {kColorTypeGrey, 2, 4, true, false},
    {kColorTypeGrey, 4, 4, true, false},      {kColorTypeGrey, 8, 8, true, false},
    {kColorTypeGrey, 16, 8, true, false},     {kColorTypePalette, 1, 1, true, false},
    {kColorTypePalette, 2, 4, true, false},   {kColorTypePalette, 4, 4, true, false},
    {kColorTypePalette, 8, 8, true, false},   {kColorTypeGreyAlpha, 8, 8, true, true},
    {kColorTypeGreyAlpha, 16, 8, true, true}, {kColorTypeRgb, 8, 24, false, false},
    {kColorTypeRgb, 16, 24, false, false},    {kColorTypeRgba, 8, 24, false, true},
    {kColorTypeRgba, 16, 24, false, true},
};

// From this size on, the C library always maps fresh pages (glibc's largest mmap threshold).
constexpr std::size_t kFreshPagesBytes = 32u * 1024 * 1024;

}  // namespace

ChunkKind ChunkKindOf(std::string_view name) {
    for (const ChunkName& entry : kChunkNames) {
        if (entry.name == name) return entry.kind;
    }
    return ChunkKind::Other;
}

const PixelFormat* FindPixelFormat(int colorType, int bitDepth) {
    for (const PixelFormat& format : kPixelFormats) {
        if (format.colorType == colorType && format.bitDepth == bitDepth) return &format;
    }
    return nullptr;
}

bool IsIdentity(const PngImage::GammaTable& table) {
    for (int i = 0; i < 256; ++i) {
        if (table[i] != i) return false;
    }
    return true;
}

// ---- PngChunk

PngChunk::PngChunk(PngImage& owner, ChunkKind kind, std::string_view name)
    : owner_(&owner), kind_(kind), name_(name), data_(1, 0) {}

bool PngChunk::ResizeData(std::size_t size) {
    if (size > static_cast<std::size_t>(INT32_MAX)) return false;
    try {
        data_.resize(size + 1);
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
    data_[size] = 0;
    return true;
}

bool PngChunk::CopyDataFrom(const PngChunk& other) {
    try {
        data_ = other.data_;
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

// ---- HeaderChunk

void HeaderChunk::FreeDeleter::operator()(std::uint8_t* p) const { std::free(p); }

void HeaderChunk::ReleasePixelMemory() {
    pixels_.Release();
    alpha_.reset();
    pixelsStartedZeroed_ = false;
}

void HeaderChunk::ZeroPixels() {
    if (PixelBits()) std::memset(PixelBits(), 0, PixelBytes());
    if (AlphaPlane()) std::memset(AlphaPlane(), 0, static_cast<std::size_t>(Width) * Height);
}

LoadError HeaderChunk::CreatePixelMemory(bool zeroed) {
    BitmapInfo = DibInfo{};
    ReleasePixelMemory();
    RowStride = 0;
    HasPalette = false;

    const PixelFormat* format = FindPixelFormat(ColorType, BitDepth);
    if (format == nullptr || Width < 1 || Height < 1 || static_cast<std::uint32_t>(Width) > kMaxDimension ||
        static_cast<std::uint32_t>(Height) > kMaxDimension) {
        return LoadError::UnsupportedFormat;
    }
    HasPalette = format->hasPalette;
    DibInfoHeader& info = BitmapInfo.bmiHeader;
    info.biSize = sizeof(DibInfoHeader);
    info.biWidth = Width;
    info.biHeight = Height;
    info.biPlanes = 1;
    info.biBitCount = format->dibBits;
    info.biCompression = kBiRgb;

    // Width and Height are at most 65535, so every product below fits 64 bits easily.
    std::uint64_t stride =
        ((static_cast<std::uint64_t>(Width) * format->dibBits + 31) & ~std::uint64_t{31}) / 8;
    std::uint64_t dibBytes = stride * static_cast<std::uint64_t>(Height);
    std::uint64_t alphaBytes = format->hasAlpha ? static_cast<std::uint64_t>(Width) * Height : 0;
    if (dibBytes + alphaBytes > kPixelMemoryLimit) return LoadError::NoPixelMemory;
    RowStride = static_cast<std::int32_t>(stride);

    bool alphaZeroed = true;
    if (format->hasAlpha) {
        // As for the pixels: large blocks are fresh zero pages, zeroed for nothing.
        const auto bytes = static_cast<std::size_t>(alphaBytes);
        alphaZeroed = zeroed || bytes >= kFreshPagesBytes;
        alpha_.reset(static_cast<std::uint8_t*>(alphaZeroed ? std::calloc(bytes, 1) : std::malloc(bytes)));
        if (!alpha_) return LoadError::NoPixelMemory;
    }
    if (!pixels_.Create(BitmapInfo, static_cast<std::size_t>(dibBytes), zeroed)) {
        alpha_.reset();
        return LoadError::NoPixelMemory;
    }
    pixelsStartedZeroed_ = alphaZeroed && pixels_.Zeroed();
    return LoadError::None;
}

bool HeaderChunk::AttachAlphaPlane(std::uint8_t value) {
    if (PixelBits() == nullptr || AlphaPlane() != nullptr || Width < 1 || Height < 1) return false;
    const std::uint64_t alphaBytes = static_cast<std::uint64_t>(Width) * static_cast<std::uint64_t>(Height);
    if (PixelBytes() + alphaBytes > kPixelMemoryLimit) return false;
    auto* plane = static_cast<std::uint8_t*>(std::malloc(static_cast<std::size_t>(alphaBytes)));
    if (plane == nullptr) return false;
    std::memset(plane, value, static_cast<std::size_t>(alphaBytes));
    alpha_.reset(plane);
    return true;
}

bool HeaderChunk::CopyPixelsFrom(const HeaderChunk& other, Drawn drawn) {
    ReleasePixelMemory();
    if (other.PixelBits() == nullptr) return true;
    const bool made = drawn == Drawn::Yes ? pixels_.Create(other.BitmapInfo, other.PixelBytes(), false)
                                          : pixels_.CreatePlain(other.PixelBytes(), false);
    if (!made) return false;
    std::memcpy(PixelBits(), other.PixelBits(), other.PixelBytes());
    if (other.AlphaPlane() != nullptr) {
        const std::size_t bytes =
            static_cast<std::size_t>(other.Width) * static_cast<std::size_t>(other.Height);
        alpha_.reset(static_cast<std::uint8_t*>(std::malloc(bytes)));
        if (!alpha_) {
            ReleasePixelMemory();
            return false;
        }
        std::memcpy(alpha_.get(), other.AlphaPlane(), bytes);
    }
    return true;
}

// ---- PaletteChunk

RgbQuad PaletteChunk::PaletteEntry(int index) const {
    const HeaderChunk* header = Owner().ImageHeader();
    if (index < 0 || index >= Count || index > 255 || header == nullptr) return RgbQuad{};
    return header->BitmapInfo.bmiColors[index];
}

// ---- GammaChunk

GammaChunk::GammaChunk(PngImage& owner, ChunkKind kind, std::string_view name) : PngChunk(owner, kind, name) {
    ResizeData(4);
    SetValue(1);
}

std::uint32_t GammaChunk::Value() const { return DataSize() < 4 ? 0 : ReadBigEndian32(Data()); }

void GammaChunk::SetValue(std::uint32_t value) {
    if (DataSize() != 4 && !ResizeData(4)) return;
    WriteBigEndian32(Data(), value);
}

// ---- PngImage

PngImage::PngImage() { Clear(); }

PngImage::~PngImage() { Clear(); }

void PngImage::Clear() {
    for (int i = 0; i < 256; ++i) {
        Gamma[i] = static_cast<std::uint8_t>(i);
        InverseGamma[i] = static_cast<std::uint8_t>(i);
    }
    // Chunks go in list order, the header (and with it the pixels) first.
    for (auto& chunk : chunks_) chunk.reset();
    chunks_.clear();
    endAt_ = -1;
}

std::int32_t PngImage::Width() const {
    const HeaderChunk* header = ImageHeader();
    return header ? header->Width : 0;
}

std::int32_t PngImage::Height() const {
    const HeaderChunk* header = ImageHeader();
    return header ? header->Height : 0;
}

PngChunk* PngImage::Header() const { return chunks_.empty() ? nullptr : chunks_.front().get(); }

bool PngImage::HasHeader() const { return !chunks_.empty() && chunks_.front()->Name() == "IHDR"; }

HeaderChunk* PngImage::ImageHeader() const {
    return HasHeader() ? chunks_.front()->As<HeaderChunk>() : nullptr;
}

void PngImage::ReplaceChunks(std::vector<std::unique_ptr<PngChunk>> chunks) noexcept {
    Clear();
    chunks_ = std::move(chunks);
    endAt_ = IndexOf("IEND");
}

namespace {

// The decoded values a chunk of each kind keeps beside its data.
bool CopyKindValues(const PngChunk& from, PngChunk& to, HeaderChunk::Drawn drawn) {
    switch (from.Kind()) {
        case ChunkKind::Header: {
            const auto& a = static_cast<const HeaderChunk&>(from);
            auto& b = static_cast<HeaderChunk&>(to);
            b.Width = a.Width;
            b.Height = a.Height;
            b.BitDepth = a.BitDepth;
            b.ColorType = a.ColorType;
            b.CompressionMethod = a.CompressionMethod;
            b.FilterMethod = a.FilterMethod;
            b.InterlaceMethod = a.InterlaceMethod;
            b.HasPalette = a.HasPalette;
            b.BitmapInfo = a.BitmapInfo;
            b.RowStride = a.RowStride;
            return b.CopyPixelsFrom(a, drawn);
        }
        case ChunkKind::Palette:
            static_cast<PaletteChunk&>(to).Count = static_cast<const PaletteChunk&>(from).Count;
            return true;
        case ChunkKind::Gamma: {
            const auto& a = static_cast<const GammaChunk&>(from);
            auto& b = static_cast<GammaChunk&>(to);
            b.PrecedesPalette = a.PrecedesPalette;
            b.PrecedesImageData = a.PrecedesImageData;
            return true;
        }
        case ChunkKind::Alpha: {
            const auto& a = static_cast<const AlphaChunk&>(from);
            auto& b = static_cast<AlphaChunk&>(to);
            b.SingleKey = a.SingleKey;
            b.AlphaTable = a.AlphaTable;
            return true;
        }
        case ChunkKind::Text: {
            const auto& a = static_cast<const TextChunk&>(from);
            auto& b = static_cast<TextChunk&>(to);
            b.Keyword = a.Keyword;
            b.Text = a.Text;
            return true;
        }
        case ChunkKind::Time: {
            const auto& a = static_cast<const TimeChunk&>(from);
            auto& b = static_cast<TimeChunk&>(to);
            b.Year = a.Year;
            b.Month = a.Month;
            b.Day = a.Day;
            b.Hour = a.Hour;
            b.Minute = a.Minute;
            b.Second = a.Second;
            return true;
        }
        case ChunkKind::End:
        case ChunkKind::Data:
        case ChunkKind::Other:
            return true;
    }
    return true;
}

}  // namespace

bool PngImage::CopyFrom(const PngImage& other, HeaderChunk::Drawn drawn) {
    if (this == &other) return true;
    Clear();
    try {
        std::vector<std::unique_ptr<PngChunk>> chunks;
        chunks.reserve(other.chunks_.size());
        for (const auto& chunk : other.chunks_) {
            chunks.push_back(MakeChunk(chunk->Kind(), chunk->Name()));
            if (!chunks.back()->CopyDataFrom(*chunk) || !CopyKindValues(*chunk, *chunks.back(), drawn))
                return false;
        }
        ReplaceChunks(std::move(chunks));
    } catch (const std::bad_alloc&) {
        Clear();
        return false;
    }
    LastError = other.LastError;
    VerifyCrc = other.VerifyCrc;
    Gamma = other.Gamma;
    InverseGamma = other.InverseGamma;
    FilterSet = other.FilterSet;
    CompressionLevel = other.CompressionLevel;
    IdatLimit = other.IdatLimit;
    Interlace = other.Interlace;
    return true;
}

int PngImage::IndexOf(std::string_view name) const {
    for (std::size_t i = 0; i < chunks_.size(); ++i) {
        if (chunks_[i]->Name() == name) return static_cast<int>(i);
    }
    return -1;
}

PngChunk* PngImage::FindChunk(std::string_view name) const {
    int index = IndexOf(name);
    return index < 0 ? nullptr : chunks_[index].get();
}

std::unique_ptr<PngChunk> PngImage::MakeChunk(ChunkKind kind, std::string_view name) {
    switch (kind) {
        case ChunkKind::Header:
            return std::make_unique<HeaderChunk>(*this, kind, name);
        case ChunkKind::Data:
            return std::make_unique<DataChunk>(*this, kind, name);
        case ChunkKind::Palette:
            return std::make_unique<PaletteChunk>(*this, kind, name);
        case ChunkKind::Gamma:
            return std::make_unique<GammaChunk>(*this, kind, name);
        case ChunkKind::Alpha:
            return std::make_unique<AlphaChunk>(*this, kind, name);
        case ChunkKind::Text:
            return std::make_unique<TextChunk>(*this, kind, name);
        case ChunkKind::Time:
            return std::make_unique<TimeChunk>(*this, kind, name);
        case ChunkKind::End:
        case ChunkKind::Other:
            break;
    }
    return std::make_unique<PngChunk>(*this, kind, name);
}

PngChunk* PngImage::AddChunk(std::string_view name) {
    ChunkKind kind = ChunkKindOf(name);
    const int headerAt = HasHeader() ? 0 : -1;
    // Where a chunk goes when nothing more specific applies: right after IHDR, else first.
    const int afterHeader = headerAt >= 0 ? 1 : 0;
    auto justAfter = [this](std::string_view other) {
        int index = IndexOf(other);
        return index < 0 ? -1 : index + 1;
    };

    int at = -1;
    switch (kind) {
        case ChunkKind::Header:
            if (HasHeader()) return nullptr;
            at = 0;
            break;
        case ChunkKind::End:
            if (!chunks_.empty() && chunks_.back()->Name() == "IEND") return nullptr;
            at = static_cast<int>(chunks_.size());
            break;
        case ChunkKind::Data:
            if (IndexOf("IDAT") >= 0) return nullptr;
            at = justAfter("PLTE");
            if (at < 0) at = afterHeader;
            break;
        case ChunkKind::Palette:
            if (IndexOf("PLTE") >= 0) return nullptr;
            at = IndexOf("IDAT");
            if (at < 0) at = afterHeader;
            break;
        case ChunkKind::Gamma:
            if (IndexOf("gAMA") >= 0) return nullptr;
            at = justAfter("PLTE");
            if (at < 0) at = justAfter("IDAT");
            if (at < 0) at = afterHeader;
            break;
        case ChunkKind::Alpha:
            if (IndexOf("tRNS") >= 0) return nullptr;
            at = justAfter("gAMA");
            if (at < 0) at = justAfter("PLTE");
            if (at < 0) at = justAfter("IDAT");
            if (at < 0) at = afterHeader;
            break;
        case ChunkKind::Text:
        case ChunkKind::Time:
        case ChunkKind::Other:
            // Kept where IEND stands without looking for it: a file of many such chunks
            // costs time in proportion to their number.
            at = endAt_;
            if (at < 0) at = static_cast<int>(chunks_.size());
            break;
    }
    auto chunk = MakeChunk(kind, name);
    if (auto* gamma = chunk->As<GammaChunk>()) {
        gamma->PrecedesPalette = IndexOf("PLTE") < 0;
        gamma->PrecedesImageData = IndexOf("IDAT") < 0;
    }
    PngChunk* added = chunk.get();
    chunks_.insert(chunks_.begin() + at, std::move(chunk));
    if (endAt_ >= at) ++endAt_;
    if (kind == ChunkKind::End && endAt_ < 0) endAt_ = at;
    return added;
}

}  // namespace tevpng
