#include "display/image_state.h"

#include "codec/png_image.h"
#include "win/dib_bitmap.h"
#include "base/immortal.h"

namespace tevpng::image {

ImageState::ImageState() = default;
ImageState::~ImageState() = default;
ImageState::ImageState(ImageState&&) noexcept = default;
ImageState& ImageState::operator=(ImageState&&) noexcept = default;

namespace {
// Never destroyed, for the reason given with the host binding.
ui::Immortal<ImageState> g_images;
}  // namespace

ImageState& Images() { return g_images.Get(); }

const PngImage* ImageToDraw() {
    const ImageState& state = Images();
    if (state.SpriteMode && state.FrameCount > 0 && !state.SpriteFrames.empty()) {
        const std::int32_t count = static_cast<std::int32_t>(state.SpriteFrames.size());
        const std::int32_t frame = state.CurrentFrame >= 0 && state.CurrentFrame < count ? state.CurrentFrame : 0;
        return state.SpriteFrames[frame].get();
    }
    return state.CurrentImage.get();
}

void ReleaseSpriteFrames() {
    ImageState& state = Images();
    state.SpriteFrames.clear();
    state.FrameCount = 0;
}

}  // namespace tevpng::image
