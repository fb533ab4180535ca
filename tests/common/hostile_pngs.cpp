#include "hostile_pngs.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "synthetic_images.h"

namespace tevtest {

namespace {

constexpr int kSide = 64;

Bytes SmallImageData() { return Zlib(FilteredRows(PhotoLikeRows(kSide, kSide, 4, 5))); }

// Noise that does not compress.
Bytes Noise(std::size_t size, std::uint32_t seed) {
    Bytes bytes(size);
    std::uint32_t state = seed * 2654435761u + 1;
    for (auto& b : bytes) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        b = static_cast<std::uint8_t>(state >> 24);
    }
    return bytes;
}

Bytes Repeated(int count, std::string_view type, const Bytes& data, const Bytes& before, const Bytes& after) {
    PngBytes png = PngBytes::Start(kSide, kSide, 8, 6);
    png.Raw(before);
    for (int i = 0; i < count; ++i) png.Chunk(type, data);
    png.Raw(after);
    return png.Iend().bytes();
}

Bytes ImageDataChunk() {
    PngBytes idat;
    idat.Idat(SmallImageData());
    return idat.bytes();
}

// A chunk head with `length`, then only 4 KB of anything.
Bytes WithLength(std::string_view type, std::uint32_t length, bool afterImageData) {
    PngBytes png = PngBytes::Start(kSide, kSide, 8, 6);
    if (afterImageData) png.Idat(SmallImageData());
    png.ChunkHead(length, type).Raw(Noise(4096, length));
    return png.bytes();
}

}  // namespace

Bytes ManyEmptyChunks(int count) { return Repeated(count, "prVt", {}, {}, ImageDataChunk()); }

std::vector<HostilePng> HostilePngs() {
    std::vector<HostilePng> inputs;
    inputs.push_back({"manyEmptyChunks", ManyEmptyChunks(80'000), true});
    inputs.push_back({"manyTextChunks", Repeated(80'000, "tEXt", {'k', 0, 'v'}, {}, ImageDataChunk()), true});
    inputs.push_back(
        {"manyChromaticities", Repeated(80'000, "cHRM", Bytes(32, 7), {}, ImageDataChunk()), true});
    inputs.push_back(
        {"manyImageDataAfterTheImage", Repeated(80'000, "IDAT", {0}, ImageDataChunk(), {}), true});
    {
        // 1-byte IDAT chunks: 13 bytes of file per byte of image data.
        PngBytes png = PngBytes::Start(256, 256, 8, 6);
        png.Idat(Zlib(FilteredRows(PhotoLikeRows(256, 256, 4, 6))), 1);
        inputs.push_back({"oneByteImageDataChunks", png.Iend().bytes(), true});
    }
    {
        // A 16 x 16 image whose zlib stream goes on with 2 MB of noise and 64 MB of zeros.
        Bytes raw = FilteredRows(PhotoLikeRows(16, 16, 4, 7));
        const Bytes noise = Noise(2'000'000, 3);
        raw.insert(raw.end(), noise.begin(), noise.end());
        raw.resize(raw.size() + 64'000'000, 0);
        PngBytes png = PngBytes::Start(16, 16, 8, 6);
        inputs.push_back({"inflatesFarBeyondTheRows", png.Idat(Zlib(raw, 1)).Iend().bytes(), true});
    }
    for (std::uint32_t length : {0x7FFFFFF0u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu}) {
        const std::string hex = std::to_string(length);
        inputs.push_back({"ancillaryLength" + hex, WithLength("prVt", length, true), true});
        inputs.push_back({"imageDataLength" + hex, WithLength("IDAT", length, false), length <= 0x7FFFFFFFu});
    }
    inputs.push_back({"header65535x65535",
                      PngBytes::Start(65535, 65535, 8, 6).Raw(ImageDataChunk()).Iend().bytes(), false});
    return inputs;
}

Bytes OrdinaryPngOfAtLeast(std::size_t bytes) {
    // Photo-like RGBA compresses to about 3 bytes a pixel; grow until it is large enough.
    int side = std::max(16, static_cast<int>(std::sqrt(static_cast<double>(bytes) / 3.0)));
    for (;;) {
        Bytes png = PhotoLikePng(side, side, 4, 11);
        if (png.size() >= bytes) return png;
        side = side * 11 / 10 + 1;
    }
}

}  // namespace tevtest
