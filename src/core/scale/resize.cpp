#include "scale/resize.h"

#include <new>
#include <utility>
#include <vector>

#include "codec/png_format.h"

namespace tevpng {

namespace {

// The image's colours as a top-down raster of blue, green, red: the DIB itself when it
// has 24 bits per pixel (walked bottom-up through a negative stride), otherwise the
// pixels looked up in the colour table.
struct ColourSource {
    ConstRasterView view;
    RasterBuffer expanded;
};

bool ExpandThroughColourTable(const HeaderChunk& header, RasterBuffer& out) {
    if (!out.Allocate(header.Width, header.Height, 3)) return false;
    const int bits = header.BitmapInfo.bmiHeader.biBitCount;
    const RasterView view = out.View();
    for (std::int32_t y = 0; y < header.Height; ++y) {
        const std::uint8_t* row = header.DibRow(y);
        std::uint8_t* o = view.Row(y);
        for (std::int32_t x = 0; x < header.Width; ++x) {
            const RgbQuad& colour =
                header.BitmapInfo.bmiColors[PackedIndex(row, bits, static_cast<std::size_t>(x))];
            o[3 * x] = colour.rgbBlue;
            o[3 * x + 1] = colour.rgbGreen;
            o[3 * x + 2] = colour.rgbRed;
        }
    }
    return true;
}

// An image without pixels (empty, or a load that failed before they were made) is the
// empty bitmap that the resampler refuses as too small.
StretchResult MakeColourSource(const PngImage& image, ColourSource& source) {
    const HeaderChunk* header = image.ImageHeader();
    if (header == nullptr || header->PixelBits() == nullptr || header->Width < 1 || header->Height < 1) {
        return StretchResult::Code::SourceTooSmall;
    }
    const DibInfoHeader& info = header->BitmapInfo.bmiHeader;
    if (info.biWidth != header->Width || info.biHeight != header->Height)
        return StretchResult::Code::SourceTooSmall;
    switch (info.biBitCount) {
        case 24:
            source.view = {
                header->PixelBits() + static_cast<std::ptrdiff_t>(header->RowStride) * (header->Height - 1),
                header->Width, header->Height, 3, -static_cast<std::ptrdiff_t>(header->RowStride)};
            return StretchResult::Code::Ok;
        case 1:
        case 4:
        case 8:
            if (!ExpandThroughColourTable(*header, source.expanded)) return StretchResult::Code::OutOfMemory;
            source.view = source.expanded.View();
            return StretchResult::Code::Ok;
        default:
            return StretchResult::Code::SourceTooSmall;
    }
}

// The new header: 8-bit RGB of the new size with fresh pixel memory, then an alpha plane.
std::unique_ptr<HeaderChunk> MakeResizedHeader(PngImage& image, std::int32_t width, std::int32_t height) {
    auto header = std::make_unique<HeaderChunk>(image, ChunkKind::Header, "IHDR");
    header->Width = width;
    header->Height = height;
    header->BitDepth = 8;
    header->ColorType = kColorTypeRgb;
    if (header->CreatePixelMemory() != LoadError::None || !CreateAlpha(*header)) return nullptr;
    return header;
}

StretchResult ResizeInto(PngImage& image, std::int32_t width, std::int32_t height) {
    ColourSource colour;
    StretchResult result = MakeColourSource(image, colour);
    if (!result.Ok()) return result;
    if (width < 1 || height < 1) return StretchResult::Code::TargetTooSmall;

    std::unique_ptr<HeaderChunk> resized = MakeResizedHeader(image, width, height);
    if (!resized) return StretchResult::Code::OutOfMemory;
    const std::ptrdiff_t stride = resized->RowStride;
    const RasterView colourTarget{resized->PixelBits() + stride * (height - 1), width, height, 3, -stride};
    // Without an alpha plane the image is opaque, and stays so exactly (CreateAlpha's 255):
    // only the colour is resampled.
    const HeaderChunk& source = *image.ImageHeader();
    ConstRasterView alpha;
    RasterView alphaTarget;
    if (source.AlphaPlane() != nullptr) {
        alpha = {source.AlphaPlane(), source.Width, source.Height, 1, source.Width};
        alphaTarget = {resized->AlphaPlane(), width, height, 1, width};
    }
    result = ResampleColorAndAlpha(colour.view, alpha, colourTarget, alphaTarget);
    if (!result.Ok()) return result;
    if (!AssignBitmap(image, std::move(resized))) return StretchResult::Code::OutOfMemory;
    return StretchResult::Code::Ok;
}

}  // namespace

StretchResult ResizeImage(PngImage& image, std::int32_t width, std::int32_t height) {
    try {
        return ResizeInto(image, width, height);
    } catch (const std::bad_alloc&) {
        return StretchResult::Code::OutOfMemory;
    }
}

bool AssignBitmap(PngImage& image, std::unique_ptr<HeaderChunk> header) {
    if (!header || &header->Owner() != &image) return false;
    try {
        std::vector<std::unique_ptr<PngChunk>> chunks;
        chunks.reserve(3);
        chunks.push_back(std::move(header));
        chunks.push_back(std::make_unique<DataChunk>(image, ChunkKind::Data, "IDAT"));
        chunks.push_back(std::make_unique<PngChunk>(image, ChunkKind::End, "IEND"));
        image.ReplaceChunks(std::move(chunks));
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool CreateAlpha(HeaderChunk& header) {
    if (header.AlphaPlane() != nullptr) return true;
    const int withAlpha = header.ColorType == kColorTypeGrey  ? kColorTypeGreyAlpha
                          : header.ColorType == kColorTypeRgb ? kColorTypeRgba
                                                              : -1;
    if (withAlpha < 0) return false;
    // The pixels stay as they are, so the type with alpha must hold them in the same form.
    const PixelFormat* now = FindPixelFormat(header.ColorType, header.BitDepth);
    const PixelFormat* then = FindPixelFormat(withAlpha, header.BitDepth);
    if (now == nullptr || then == nullptr || now->dibBits != then->dibBits) return false;
    if (!header.AttachAlphaPlane(255)) return false;
    header.ColorType = static_cast<std::uint8_t>(withAlpha);
    return true;
}

bool CreateAlpha(PngImage& image) {
    HeaderChunk* header = image.ImageHeader();
    return header != nullptr && CreateAlpha(*header);
}

}  // namespace tevpng
