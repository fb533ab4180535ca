// Loads arbitrary bytes; whatever loads must be writable, and what is written must load
// again, cleanly, to the same pixels: the DIB, the alpha plane, and the colours of a
// palette image.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "fuzz_target.h"
#include "codec/png_image.h"
#include "io/memory_stream.h"

namespace {

using namespace tevpng;

void Check(bool condition) {
    if (!condition) std::abort();
}

bool SameBytes(const void* a, const void* b, std::size_t count) { return count == 0 || std::memcmp(a, b, count) == 0; }

}  // namespace

TEVPNG_FUZZ_TARGET(round_trip_fuzz) {
    PngImage image;
    MemoryStream input(data, size);
    if (!image.LoadStream(input)) return 0;
    // Deflating a declared 8192 x 8192 image of zeros proves nothing a small one does not,
    // and would take the fuzzer's time.
    if (static_cast<std::int64_t>(image.Width()) * image.Height() > (1 << 20)) return 0;

    MemoryStream written;
    Check(image.SaveStream(written));
    written.Seek(0, SeekOrigin::Begin);
    PngImage again;
    Check(again.LoadStream(written));
    Check(again.LastError == LoadError::None);

    const HeaderChunk* a = image.ImageHeader();
    const HeaderChunk* b = again.ImageHeader();
    Check(a != nullptr && b != nullptr);
    Check(a->Width == b->Width && a->Height == b->Height && a->ColorType == b->ColorType);
    Check(SameBytes(&a->BitmapInfo.bmiHeader, &b->BitmapInfo.bmiHeader, sizeof(DibInfoHeader)));
    Check(a->PixelBytes() == b->PixelBytes());
    Check(SameBytes(a->PixelBits(), b->PixelBits(), a->PixelBytes()));
    Check((a->AlphaPlane() == nullptr) == (b->AlphaPlane() == nullptr));
    if (a->AlphaPlane()) {
        Check(SameBytes(a->AlphaPlane(), b->AlphaPlane(), static_cast<std::size_t>(a->Width) * a->Height));
    }
    if (a->ColorType == 3) Check(SameBytes(a->BitmapInfo.bmiColors, b->BitmapInfo.bmiColors, sizeof(RgbQuad) * 256));
    return 0;
}
