// LoadStream on arbitrary bytes, once lenient and once verifying CRCs: it must end in
// bounded time and memory, and every pixel it reports must be readable.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz_target.h"
#include "codec/png_image.h"
#include "io/memory_stream.h"

namespace {

// Reads the first and last byte of every DIB and alpha row, so a wrong size shows up as
// an invalid access without reading hundreds of megabytes per input.
unsigned Touch(const tevpng::HeaderChunk& header) {
    unsigned sum = 0;
    if (header.PixelBits() == nullptr) return 0;
    const std::size_t stride = static_cast<std::size_t>(header.RowStride);
    for (std::size_t at = 0; at < header.PixelBytes(); at += stride) {
        sum += header.PixelBits()[at] + header.PixelBits()[at + stride - 1];
    }
    if (header.AlphaPlane() != nullptr) {
        const std::size_t width = static_cast<std::size_t>(header.Width);
        for (std::size_t at = 0; at < width * header.Height; at += width) {
            sum += header.AlphaPlane()[at] + header.AlphaPlane()[at + width - 1];
        }
    }
    return sum;
}

void LoadOnce(const std::uint8_t* data, std::size_t size, bool verifyCrc) {
    tevpng::MemoryStream stream(data, size);
    tevpng::PngImage image;
    image.VerifyCrc = verifyCrc;
    const bool loaded = image.LoadStream(stream);
    if (stream.Size() != static_cast<std::int64_t>(size)) std::abort();  // the stream must never grow
    if (loaded && (!image.HasHeader() || image.FindChunk("IDAT") == nullptr)) std::abort();
    if (const tevpng::HeaderChunk* header = image.ImageHeader()) {
        volatile unsigned sink = Touch(*header);
        (void)sink;
    }
}

}  // namespace

TEVPNG_FUZZ_TARGET(load_stream_fuzz) {
    LoadOnce(data, size, false);
    LoadOnce(data, size, true);
    return 0;
}
