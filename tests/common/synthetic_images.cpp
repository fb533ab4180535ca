#include "synthetic_images.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>

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
    // Sum of two uniform values in -2..2: mean 0, sigma 2.
    int Sample() {
        const std::uint32_t r = Next();
        return static_cast<int>((r & 0xFFFF) % 5) + static_cast<int>((r >> 16) % 5) - 4;
    }
    int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint32_t>(n)); }

private:
    std::uint32_t state_;
};

std::uint8_t Clamp(int v) { return static_cast<std::uint8_t>(std::clamp(v, 0, 255)); }

// 256 at squared distance <= inner^2, 0 at >= outer^2, a smoothstep between.
int SoftDisc(std::int64_t distanceSquared, std::int64_t inner, std::int64_t outer) {
    if (distanceSquared <= inner * inner) return 256;
    if (distanceSquared >= outer * outer) return 0;
    const std::int64_t t = (outer * outer - distanceSquared) * 256 / (outer * outer - inner * inner);
    return static_cast<int>(t * t * (768 - 2 * t) / (256 * 256));
}

// How much of the pixel (x, y) lies inside a rectangle with rounded corners, 0..256: whole
// pixels inside or outside, the edge of each corner anti-aliased over about one pixel.
int RoundedCoverage(int x, int y, int left, int top, int right, int bottom, int radius) {
    if (x < left || x >= right || y < top || y >= bottom) return 0;
    const int cx = x < left + radius ? left + radius : x >= right - radius ? right - radius - 1 : x;
    const int cy = y < top + radius ? top + radius : y >= bottom - radius ? bottom - radius - 1 : y;
    if (cx == x || cy == y) return 256;
    const std::int64_t dx = 2 * (x - cx), dy = 2 * (y - cy), r = 2 * radius;
    const std::int64_t d2 = dx * dx + dy * dy;
    if (d2 <= (r - 2) * (r - 2)) return 256;
    if (d2 >= (r + 1) * (r + 1)) return 0;
    return static_cast<int>(((r + 1) * (r + 1) - d2) * 256 / ((r + 1) * (r + 1) - (r - 2) * (r - 2)));
}

struct Rgba {
    int r, g, b, a;
};

// Straight-alpha "over" of a colour with coverage (0..256) onto a pixel.
void Over(std::uint8_t* p, Rgba c, int coverage) {
    const int a = c.a * coverage / 256;
    if (a <= 0) return;
    const int below = p[3];
    const int out = a + below * (255 - a) / 255;
    if (out == 0) return;
    const int channels[3] = {c.r, c.g, c.b};
    for (int i = 0; i < 3; ++i) p[i] = Clamp((channels[i] * a + p[i] * below * (255 - a) / 255) / out);
    p[3] = Clamp(out);
}

struct Shape {
    int cx, cy, inner, outer;
    int r, g, b;
};

}  // namespace

Picture PhotoLike(int width, int height, int channels, std::uint32_t seed) {
    Picture picture{width, height, static_cast<std::uint8_t>(channels == 4 ? 6 : 2), {}, {}, {}};
    Noise noise(seed);
    const int span = std::max(width, height);
    const Shape shapes[] = {
        {width / 3, height / 2, span / 10, span / 4, 220, 180, 90},
        {width * 3 / 4, height / 3, span / 20, span / 7, 60, 120, 230},
        {width / 2, height * 4 / 5, span / 16, span / 6, 200, 60, 70},
    };
    const std::int64_t vignetteInner = span * 3 / 10;
    const std::int64_t vignetteOuter = span * 7 / 10;
    picture.rows.resize(static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        Bytes& row = picture.rows[static_cast<std::size_t>(y)];
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
    return picture;
}

std::vector<Bytes> PhotoLikeRows(int width, int height, int channels, std::uint32_t seed) {
    return PhotoLike(width, height, channels, seed).rows;
}

Picture FlatGraphic(int width, int height, std::uint32_t seed) {
    Picture picture{
        width,
        height,
        6,
        std::vector<Bytes>(static_cast<std::size_t>(height), Bytes(static_cast<std::size_t>(width) * 4, 0)),
        {},
        {}};
    Noise noise(seed);
    auto pixel = [&](int x, int y) { return picture.rows[static_cast<std::size_t>(y)].data() + 4 * x; };
    auto fill = [&](int left, int top, int right, int bottom, int radius, Rgba colour) {
        for (int y = std::max(0, top); y < std::min(height, bottom); ++y)
            for (int x = std::max(0, left); x < std::min(width, right); ++x)
                Over(pixel(x, y), colour, RoundedCoverage(x, y, left, top, right, bottom, radius));
    };
    const int unit = std::max(2, std::min(width, height) / 24);
    const int panels = 2 + noise.Below(3);
    for (int i = 0; i < panels; ++i) {
        const int left = noise.Below(std::max(1, width / 2)), top = noise.Below(std::max(1, height / 2));
        const int right = std::min(width, left + width / 3 + noise.Below(std::max(1, width / 3)));
        const int bottom = std::min(height, top + height / 3 + noise.Below(std::max(1, height / 3)));
        const int radius = unit;
        // A soft shadow below and to the right, then the panel, its border and its contents.
        for (int s = unit; s > 0; --s)
            fill(left + unit, top + unit, right + s, bottom + s, radius + s, {0, 0, 0, 12});
        const Rgba face{90 + noise.Below(120), 90 + noise.Below(120), 110 + noise.Below(120), 255};
        fill(left, top, right, bottom, radius, {face.r / 2, face.g / 2, face.b / 2, 255});
        fill(left + 1, top + 1, right - 1, bottom - 1, radius - 1, face);
        // A button with a two-step gradient.
        const int bl = left + unit, bt = bottom - 3 * unit, br = std::min(right - unit, bl + 6 * unit),
                  bb = bottom - unit;
        fill(bl, bt, br, (bt + bb) / 2, unit / 2, {240, 240, 245, 255});
        fill(bl, (bt + bb) / 2, br, bb, unit / 2, {215, 215, 225, 255});
        // Lines of "text": short dark strokes.
        for (int line = top + unit; line + unit < bt; line += 2 * unit) {
            for (int x = left + unit; x + unit < right - unit; x += unit + noise.Below(unit + 1)) {
                fill(x, line, x + 1 + noise.Below(unit), line + std::max(1, unit / 2), 0, {25, 25, 40, 255});
            }
        }
    }
    return picture;
}

Picture PaletteSprite(int width, int height, std::uint32_t seed) {
    Picture picture{width, height, 3, {}, {}, {}};
    Noise noise(seed);
    // Entry 0 the background, 1 the shadow, 2 the outline; then flat opaque colours.
    picture.palette = {0, 0, 0, 0, 0, 0, 30, 20, 10};
    picture.transparency = {0, 90, 160};
    const int colours = 24 + noise.Below(16);
    for (int i = 0; i < colours; ++i) {
        picture.palette.insert(picture.palette.end(), {static_cast<std::uint8_t>(noise.Below(256)),
                                                       static_cast<std::uint8_t>(noise.Below(256)),
                                                       static_cast<std::uint8_t>(noise.Below(256))});
    }
    const int cx = width / 2, cy = height * 9 / 20;
    const std::int64_t rx = std::max(2, width * 2 / 5), ry = std::max(2, height * 2 / 5);
    picture.rows.assign(static_cast<std::size_t>(height), Bytes(static_cast<std::size_t>(width), 0));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            std::uint8_t& index = picture.rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
            const std::int64_t dx = x - cx, dy = y - cy;
            // Inside the ellipse at 1024, its outline a band just outside.
            const std::int64_t e = (dx * dx * 1024) / (rx * rx) + (dy * dy * 1024) / (ry * ry);
            const std::int64_t sy = y - (cy + ry * 9 / 10);
            const std::int64_t shadow = (dx * dx * 1024) / (rx * rx) + (sy * sy * 1024 * 16) / (ry * ry);
            if (e <= 1024) {
                const int band = static_cast<int>((y - (cy - ry)) * 6 / std::max<std::int64_t>(1, 2 * ry));
                const bool eye =
                    (dx + rx / 3) * (dx + rx / 3) + (dy + ry / 3) * (dy + ry / 3) < rx * rx / 36 ||
                    (dx - rx / 3) * (dx - rx / 3) + (dy + ry / 3) * (dy + ry / 3) < rx * rx / 36;
                index = static_cast<std::uint8_t>(
                    3 + (eye ? colours - 1 : (band * 3 + (x / 4 + y / 4) % 2) % (colours - 1)));
            } else if (e <= 1300) {
                index = 2;
            } else if (shadow <= 1024) {
                index = 1;
            }
        }
    }
    return picture;
}

Bytes EncodePicture(const Picture& picture, int level) {
    const int channels = picture.colorType == 6 ? 4 : picture.colorType == 2 ? 3 : 1;
    const std::size_t pixel = static_cast<std::size_t>(channels);
    const bool paeth = picture.colorType != 3;
    Bytes filtered;
    for (std::size_t y = 0; y < picture.rows.size(); ++y) {
        const Bytes& row = picture.rows[y];
        filtered.push_back(paeth ? 4 : 0);
        for (std::size_t i = 0; i < row.size(); ++i) {
            if (!paeth) {
                filtered.push_back(row[i]);
                continue;
            }
            const int a = i >= pixel ? row[i - pixel] : 0;
            const int b = y > 0 ? picture.rows[y - 1][i] : 0;
            const int c = y > 0 && i >= pixel ? picture.rows[y - 1][i - pixel] : 0;
            const int p = a + b - c;
            const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
            const int predictor = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
            filtered.push_back(static_cast<std::uint8_t>(row[i] - predictor));
        }
    }
    PngBytes png = PngBytes::Start(static_cast<std::uint32_t>(picture.width),
                                   static_cast<std::uint32_t>(picture.height), 8, picture.colorType);
    if (picture.colorType == 3) {
        png.Chunk("PLTE", picture.palette);
        if (!picture.transparency.empty()) png.Chunk("tRNS", picture.transparency);
    }
    // IDAT chunks of 8 KB, as libpng writes them.
    return png.Idat(Zlib(filtered, level), 8192).Iend().bytes();
}

Bytes PhotoLikePng(int width, int height, int channels, std::uint32_t seed, int level) {
    return EncodePicture(PhotoLike(width, height, channels, seed), level);
}

std::vector<NamedPng> SmallImages(int count, std::uint32_t seed) {
    Noise noise(seed);
    std::vector<NamedPng> images;
    for (int i = 0; i < count; ++i) {
        // Sides from 16 to 256, most of them small, as icons and sprites are.
        static constexpr int kSides[] = {16, 16, 24, 32, 32, 32, 48, 48, 64, 64, 96, 128, 256};
        const int side = kSides[noise.Below(static_cast<int>(std::size(kSides)))];
        const int width = std::min(256, side + noise.Below(side / 4 + 1));
        const int height = std::min(256, side + noise.Below(side / 4 + 1));
        const auto s = static_cast<std::uint32_t>(i + 1);
        // Half of them interface icons, a third palette sprites, the rest small photographs.
        const int kind = i % 6;
        if (kind < 3) {
            images.push_back({"icon" + std::to_string(width) + "x" + std::to_string(height),
                              EncodePicture(FlatGraphic(width, height, s))});
        } else if (kind < 5) {
            images.push_back({"sprite" + std::to_string(width) + "x" + std::to_string(height),
                              EncodePicture(PaletteSprite(width, height, s))});
        } else {
            images.push_back({"photo" + std::to_string(width) + "x" + std::to_string(height),
                              EncodePicture(PhotoLike(width, height, 4, s))});
        }
    }
    return images;
}

}  // namespace tevtest
