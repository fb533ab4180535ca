#include "synthetic_images.h"

#include <algorithm>
#include <cstdlib>

namespace tevtest {

namespace {

// A small fixed generator (not std's distributions, whose output varies between libraries).
class Noise {
public:
    explicit Noise(std::uint32_t seed) : state_(seed * 2654435761u + 1) {}
    std::uint32_t Next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }
    // Sum of four uniform values in -3..3: roughly Gaussian with sigma 2.
    int Sample() {
        const std::uint32_t r = Next();
        int sum = 0;
        for (int i = 0; i < 4; ++i) sum += static_cast<int>((r >> (8 * i)) % 7) - 3;
        return sum;
    }

private:
    std::uint32_t state_;
};

std::uint8_t Clamp(int v) { return static_cast<std::uint8_t>(std::clamp(v, 0, 255)); }

// 0 at distance >= outer, 256 at distance <= inner, a smooth ramp between (squared distances).
int SoftDisc(std::int64_t distanceSquared, std::int64_t inner, std::int64_t outer) {
    if (distanceSquared <= inner * inner) return 256;
    if (distanceSquared >= outer * outer) return 0;
    const std::int64_t t = (outer * outer - distanceSquared) * 256 / (outer * outer - inner * inner);
    return static_cast<int>(t * t * (768 - 2 * t) / (256 * 256));  // smoothstep on 0..256
}

struct Shape {
    int cx, cy, inner, outer;
    int r, g, b;
};

}  // namespace

std::vector<Bytes> PhotoLikeRows(int width, int height, int channels, std::uint32_t seed) {
    Noise noise(seed);
    const int span = std::max(width, height);
    const Shape shapes[] = {
        {width / 3, height / 2, span / 10, span / 4, 220, 180, 90},
        {width * 3 / 4, height / 3, span / 20, span / 7, 60, 120, 230},
        {width / 2, height * 4 / 5, span / 16, span / 6, 200, 60, 70},
    };
    const std::int64_t vignetteInner = span * 3 / 10;
    const std::int64_t vignetteOuter = span * 7 / 10;
    std::vector<Bytes> rows(static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        Bytes& row = rows[static_cast<std::size_t>(y)];
        row.resize(static_cast<std::size_t>(width) * channels);
        for (int x = 0; x < width; ++x) {
            int r = 40 + 150 * x / std::max(1, width);
            int g = 60 + 120 * y / std::max(1, height);
            int b = 170 - 100 * (x + y) / std::max(1, width + height);
            for (const Shape& s : shapes) {
                const std::int64_t dx = x - s.cx, dy = y - s.cy;
                const int w = SoftDisc(dx * dx + dy * dy, s.inner, s.outer);
                r += (s.r - r) * w / 256;
                g += (s.g - g) * w / 256;
                b += (s.b - b) * w / 256;
            }
            std::uint8_t* p = row.data() + static_cast<std::size_t>(x) * channels;
            p[0] = Clamp(r + noise.Sample());
            p[1] = Clamp(g + noise.Sample());
            p[2] = Clamp(b + noise.Sample());
            if (channels == 4) {
                const std::int64_t dx = 2 * x - width, dy = 2 * y - height;
                const int a = SoftDisc((dx * dx + dy * dy) / 4, vignetteInner, vignetteOuter);
                p[3] = Clamp(a * 255 / 256 + (a > 0 && a < 256 ? noise.Sample() : 0));
            }
        }
    }
    return rows;
}

Bytes PhotoLikePng(int width, int height, int channels, std::uint32_t seed, int level) {
    const std::vector<Bytes> rows = PhotoLikeRows(width, height, channels, seed);
    const std::size_t stride = rows.empty() ? 0 : rows[0].size();
    const std::size_t pixel = static_cast<std::size_t>(channels);
    Bytes filtered;
    filtered.reserve(rows.size() * (stride + 1));
    for (std::size_t y = 0; y < rows.size(); ++y) {
        filtered.push_back(4);  // Paeth
        for (std::size_t i = 0; i < stride; ++i) {
            const int a = i >= pixel ? rows[y][i - pixel] : 0;
            const int b = y > 0 ? rows[y - 1][i] : 0;
            const int c = y > 0 && i >= pixel ? rows[y - 1][i - pixel] : 0;
            const int p = a + b - c;
            const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
            const int predictor = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
            filtered.push_back(static_cast<std::uint8_t>(rows[y][i] - predictor));
        }
    }
    const auto colorType = static_cast<std::uint8_t>(channels == 4 ? 6 : 2);
    return PngBytes::Start(static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height), 8,
                           colorType)
        .Idat(Zlib(filtered, level))
        .Iend()
        .bytes();
}

}  // namespace tevtest
