#include "resize_golden.h"

#include <bit>
#include <cstring>
#include <vector>

namespace tevpng::golden {
namespace {

struct Fnv1a {
    std::uint64_t hash = 0xcbf29ce484222325u;
    void Add(const std::uint8_t* bytes, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) hash = (hash ^ bytes[i]) * 0x100000001b3u;
    }
    void Add(std::uint32_t v) {
        std::uint8_t bytes[4] = {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16),
                                 std::uint8_t(v >> 24)};
        Add(bytes, 4);
    }
};

// Pictures with smooth gradients, hard edges and noise, the same on every build.
std::vector<std::uint8_t> Picture(int width, int height, int channels, std::uint32_t seed) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(width) * height * channels);
    std::uint32_t state = seed * 2654435761u + 1;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < channels; ++c) {
                state ^= state << 13;
                state ^= state >> 17;
                state ^= state << 5;
                const int gradient = (x * 255 / width + y * 128 / height + 85 * c) & 255;
                const int edge = ((x / 7 + y / 5) & 1) ? 255 : 0;
                const int noise = static_cast<int>(state >> 24);
                const int pick = (x + 3 * y + c) % 3;
                bytes[(static_cast<std::size_t>(y) * width + x) * channels + c] =
                    static_cast<std::uint8_t>(pick == 0   ? gradient
                                              : pick == 1 ? edge
                                                          : noise);
            }
        }
    }
    return bytes;
}

struct Case {
    int sourceWidth, sourceHeight, targetWidth, targetHeight, channels;
};

constexpr Case Cases[] = {
    {100, 100, 50, 50, 3}, {4, 4, 7, 4, 3},     {37, 23, 101, 59, 3},    {101, 59, 37, 23, 1},
    {64, 64, 64, 64, 3},   {1, 1, 5, 3, 3},     {2, 2, 7, 1, 1},         {5, 5, 1, 1, 3},
    {3, 200, 2, 17, 3},    {250, 3, 999, 2, 1}, {640, 480, 123, 77, 3},  {77, 123, 640, 480, 1},
    {333, 1, 1, 333, 3},   {1, 2, 2, 1, 3},     {513, 257, 256, 128, 1}, {129, 65, 130, 66, 3},
};

}  // namespace

std::uint64_t ResizeDigest(detail::SimdLevel level) {
    Fnv1a digest;
    std::uint32_t seed = 1;
    for (const Case& c : Cases) {
        const std::vector<std::uint8_t> source = Picture(c.sourceWidth, c.sourceHeight, c.channels, seed++);
        std::vector<std::uint8_t> target(static_cast<std::size_t>(c.targetWidth) * c.targetHeight *
                                         c.channels);
        const StretchResult result =
            detail::StretchWith(level,
                                {source.data(), c.sourceWidth, c.sourceHeight, c.channels,
                                 std::ptrdiff_t{c.sourceWidth} * c.channels},
                                {target.data(), c.targetWidth, c.targetHeight, c.channels,
                                 std::ptrdiff_t{c.targetWidth} * c.channels},
                                kLanczos3);
        digest.Add(static_cast<std::uint32_t>(result.code()));
        digest.Add(target.data(), target.size());
    }
    return digest.hash;
}

std::uint64_t FilterDigest() {
    Fnv1a digest;
    for (int k = -3200; k <= 3200; ++k) digest.Add(std::bit_cast<std::uint32_t>(Lanczos3Filter(k / 1024.0f)));
    for (int k = -100000; k <= 100000; ++k) digest.Add(std::bit_cast<std::uint32_t>(Sinc(k * 0.0137f)));
    // Large arguments take the long argument reduction; tiny ones the shortcut.
    float x = 1.0f;
    for (int k = 0; k < 4000; ++k) {
        digest.Add(std::bit_cast<std::uint32_t>(Sinc(x)));
        digest.Add(std::bit_cast<std::uint32_t>(Sinc(-x * 0.75f)));
        x = x * 1.0213f;
        if (x > 1e38f) x = 1.0f + k;
    }
    for (float tiny : {1e-30f, 1e-7f, 0x1p-20f, 0x1p-19f, 1e-40f})
        digest.Add(std::bit_cast<std::uint32_t>(Sinc(tiny)));
    return digest.hash;
}

}  // namespace tevpng::golden
