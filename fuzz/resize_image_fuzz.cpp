// Loads arbitrary bytes and resizes whatever came of it, loaded or not: nothing may read or write outside the
// pixels or leak; a failure leaves the image exactly as it was, and a resized image is
// RGB with alpha that writes and reads back unchanged. The last two bytes choose the
// target size (0 and negative included): in a PNG they are the end chunk's CRC, which
// nothing checks, so the files of the test suite serve as seeds as they are.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_target.h"
#include "codec/png_image.h"
#include "scale/resize.h"
#include "io/memory_stream.h"

namespace {

using namespace tevpng;

void Check(bool condition) {
    if (!condition) std::abort();
}

// Everything a resize could change.
std::vector<std::uint8_t> Snapshot(const PngImage& image) {
    std::vector<std::uint8_t> bytes(image.Gamma.begin(), image.Gamma.end());
    for (const auto& chunk : image.Chunks()) {
        bytes.insert(bytes.end(), chunk->Name().begin(), chunk->Name().end());
        bytes.insert(bytes.end(), chunk->Data(), chunk->Data() + chunk->DataSize());
    }
    if (const HeaderChunk* h = image.ImageHeader()) {
        const auto* info = reinterpret_cast<const std::uint8_t*>(&h->BitmapInfo);
        bytes.insert(bytes.end(), info, info + sizeof(DibInfo));
        bytes.insert(bytes.end(), {h->BitDepth, h->ColorType});
        if (h->PixelBits()) bytes.insert(bytes.end(), h->PixelBits(), h->PixelBits() + h->PixelBytes());
        if (h->AlphaPlane()) {
            bytes.insert(bytes.end(), h->AlphaPlane(), h->AlphaPlane() + static_cast<std::size_t>(h->Width) * h->Height);
        }
    }
    return bytes;
}

}  // namespace

TEVPNG_FUZZ_TARGET(resize_image_fuzz) {
    if (size < 2) return 0;
    const int width = data[size - 2] % 40 - 2;
    const int height = data[size - 1] % 40 - 2;
    PngImage image;
    MemoryStream input(data, size);
    image.LoadStream(input);
    // Large sources only make the run slow; the edges are what matter here.
    if (image.Width() > 300 || image.Height() > 300) return 0;

    const std::vector<std::uint8_t> before = Snapshot(image);
    const StretchResult result = ResizeImage(image, width, height);
    if (!result.Ok()) {
        Check(Snapshot(image) == before);
        return 0;
    }
    Check(width >= 1 && height >= 1);
    Check(image.Chunks().size() == 3 && image.Chunks()[1]->Name() == "IDAT" && image.Chunks()[2]->Name() == "IEND");
    const HeaderChunk* header = image.ImageHeader();
    Check(header != nullptr && header->Width == width && header->Height == height);
    Check(header->ColorType == 6 && header->BitDepth == 8 && header->AlphaPlane() != nullptr);

    MemoryStream written;
    Check(image.SaveStream(written));
    written.Seek(0, SeekOrigin::Begin);
    PngImage again;
    Check(again.LoadStream(written) && again.LastError == LoadError::None);
    const HeaderChunk* reread = again.ImageHeader();
    Check(reread->PixelBytes() == header->PixelBytes());
    Check(std::memcmp(reread->PixelBits(), header->PixelBits(), header->PixelBytes()) == 0);
    Check(std::memcmp(reread->AlphaPlane(), header->AlphaPlane(), static_cast<std::size_t>(width) * height) == 0);
    return 0;
}
