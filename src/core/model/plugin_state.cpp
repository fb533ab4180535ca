#include "model/plugin_state.h"

namespace tevpng {

const PngImage* ImageState::ImageToDraw() const {
    if (SpriteMode && !SpriteFrames.empty()) {
        const std::int32_t frame = CurrentFrame >= 0 && CurrentFrame < FrameCount() ? CurrentFrame : 0;
        return SpriteFrames[static_cast<std::size_t>(frame)].get();
    }
    return CurrentImage.get();
}

}  // namespace tevpng
