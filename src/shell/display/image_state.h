#pragma once

#include <cstdint>
#include <memory>
#include <vector>

namespace tevpng {
class PngImage;
}
namespace tevpng::ui {
class DibBitmap;
}

namespace tevpng::image {

// The image the plug-in shows, and the sprite frames that can stand in for it.
struct ImageState {
    std::unique_ptr<PngImage> CurrentImage;  // made with the display window; changed in place after
    std::uint32_t AlphaColor = 0;            // the key colour of images without partial transparency
    std::unique_ptr<ui::DibBitmap> BackgroundBitmap;  // the last capture of the host's pixels

    std::vector<std::unique_ptr<PngImage>> SpriteFrames;
    std::int32_t FrameCount = 0;
    std::int32_t CurrentFrame = 0;
    bool SpriteMode = false;

    ImageState();
    ~ImageState();
    ImageState(ImageState&&) noexcept;
    ImageState& operator=(ImageState&&) noexcept;
};

ImageState& Images();

// The image Draw paints: the selected sprite frame in sprite mode, else the
// current image. A frame number outside the sprite paints frame 0. Null before
// the display window exists.
const PngImage* ImageToDraw();

// Releases every sprite frame; no sprite is left.
void ReleaseSpriteFrames();

}  // namespace tevpng::image
