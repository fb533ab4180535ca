#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "codec/image_backup.h"
#include "codec/png_image.h"
#include "model/hotspot_script.h"
#include "model/param_history.h"
#include "model/plugin_settings.h"

namespace tevpng {

// The image the plug-in shows, and the sprite frames that can stand in for it.
struct ImageState {
    std::unique_ptr<PngImage> CurrentImage;  // made with the display window; changed in place after
    std::uint32_t AlphaColor = 0;            // the key colour of images without partial transparency
    std::vector<std::unique_ptr<PngImage>> SpriteFrames;
    std::int32_t CurrentFrame = 0;
    bool SpriteMode = false;

    std::int32_t FrameCount() const { return static_cast<std::int32_t>(SpriteFrames.size()); }
    // The image Draw paints: the selected sprite frame in sprite mode, else the current
    // image. A frame number outside the sprite paints frame 0. Null before the current
    // image exists.
    const PngImage* ImageToDraw() const;
};

// Everything the plug-in holds besides its Win32 objects, once per loaded library: what
// the host pushed, the settings, the images and the backup, the last Draw's rectangle and
// the last script posted (the host reads it after the post, so it lives here).
struct PluginState {
    ParamHistory Params;
    PluginSettings Settings;
    ImageState Images;
    ImageBackup PngBackup;
    DrawRectangle DrawRect;
    std::string ScriptText;
};

}  // namespace tevpng
