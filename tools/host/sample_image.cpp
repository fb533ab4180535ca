#include "sample_image.h"

#include <cmath>

#include "scale/resize.h"

namespace tevhost {

Rgba SamplePixel(int x, int y, int width, int height) {
    // Distance from the centre with the ellipse scaled to the unit circle, from pixel centres.
    const double dx = (2.0 * x + 1.0 - width) / width;
    const double dy = (2.0 * y + 1.0 - height) / height;
    const double r = std::sqrt(dx * dx + dy * dy);

    Rgba p;
    p.r = static_cast<std::uint8_t>(255 - 80 * x / width);
    p.g = static_cast<std::uint8_t>(150 - 110 * x / width + 40 * y / height);
    p.b = static_cast<std::uint8_t>(30 + 200 * x / width);
    if (r >= 1.0 || r < 0.2) {
        p.a = 0;
    } else if (r > 0.75) {
        p.a = static_cast<std::uint8_t>(255.0 * (1.0 - r) / 0.25);
    } else {
        p.a = 255;
    }
    const int bandTop = height * 62 / 100;
    if (p.a != 0 && y >= bandTop && y < bandTop + height / 8) p.a = p.a / 2;
    return p;
}

std::unique_ptr<tevpng::PngImage> MakeImage(int width, int height, const PixelFunction& fn, bool withAlpha) {
    auto image = std::make_unique<tevpng::PngImage>();
    auto header = std::make_unique<tevpng::HeaderChunk>(*image, tevpng::ChunkKind::Header, "IHDR");
    header->Width = width;
    header->Height = height;
    header->BitDepth = 8;
    header->ColorType = withAlpha ? 6 : 2;
    if (header->CreatePixelMemory() != tevpng::LoadError::None) return nullptr;
    for (int y = 0; y < height; ++y) {
        // The DIB is bottom-up in blue, green, red; the alpha plane top-down.
        std::uint8_t* row = header->DibRow(y);
        std::uint8_t* alpha =
            withAlpha ? header->AlphaPlane() + static_cast<std::size_t>(width) * y : nullptr;
        for (int x = 0; x < width; ++x) {
            const Rgba p = fn(x, y);
            row[3 * x] = p.b;
            row[3 * x + 1] = p.g;
            row[3 * x + 2] = p.r;
            if (alpha) alpha[x] = p.a;
        }
    }
    if (!tevpng::AssignBitmap(*image, std::move(header))) return nullptr;
    return image;
}

bool WritePng(const std::string& path, int width, int height, const PixelFunction& fn, bool withAlpha) {
    const auto image = MakeImage(width, height, fn, withAlpha);
    return image && image->SaveFile(path);
}

Rgba ImagePixel(const tevpng::PngImage& image, int x, int y) {
    const tevpng::HeaderChunk* header = image.ImageHeader();
    const std::uint8_t* row = header->DibRow(y);
    const std::uint8_t* alpha = header->AlphaPlane();
    return {row[3 * x + 2], row[3 * x + 1], row[3 * x],
            alpha ? alpha[static_cast<std::size_t>(header->Width) * y + x] : std::uint8_t{255}};
}

}  // namespace tevhost
