#include "image/commands.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "codec/image_backup.h"
#include "codec/png_image.h"
#include "drawing/alpha_drawing.h"
#include "image/display_window.h"
#include "model/sprite_list.h"
#include "model/sprite_messages.h"
#include "scale/resize.h"
#include "ui/application.h"
#include "ui/dib_bitmap.h"

namespace tevpng::image {

namespace {

// A file, not a directory.
bool IsExistingFile(const std::string& name) {
    const DWORD attributes = GetFileAttributesA(name.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The image commands need what SetParentWindow makes: the display window and the current image.
bool Bound(const Plugin& plugin) { return plugin.Binding.Window && plugin.State.Images.CurrentImage; }

}  // namespace

void LoadPng(Plugin& plugin) {
    if (!Bound(plugin)) return;
    PngImage& image = *plugin.State.Images.CurrentImage;
    image.LoadFile(plugin.State.Params.CurrentFile());  // a failed load still sets the label
    plugin.State.PngBackup.Keep(image);
    plugin.Binding.Window->StatusLabel().SetText("load png");
}

void RestorePng(Plugin& plugin) {
    if (!Bound(plugin)) return;
    plugin.State.PngBackup.RestoreInto(*plugin.State.Images.CurrentImage);
    // The host lays out and repaints its page on this, and so calls Draw again.
    PostMessageA(plugin.Binding.HostWindow, WM_SIZE, 0, 0);
}

void ResizePng(Plugin& plugin) {
    if (!Bound(plugin)) return;
    // A refused size or an empty image leaves the image exactly as it was.
    const ParamHistory& params = plugin.State.Params;
    ResizeImage(*plugin.State.Images.CurrentImage, params.DataHistory(1), params.CurrentData());
}

void SaveScaled(Plugin& plugin) {
    if (!Bound(plugin)) return;
    const std::string path = plugin.State.Params.CurrentFile();  // the box's loop may run a SetFile
    ui::ShowMessage(path);
    plugin.State.Images.CurrentImage->SaveFile(path);
}

void LoadAlpha(Plugin& plugin) {
    if (!Bound(plugin)) return;
    ImageState& images = plugin.State.Images;
    images.CurrentImage->LoadFile(plugin.State.Params.CurrentFile());
    ui::Form& window = plugin.Binding.Window->Window();
    ui::Canvas canvas = window.GetCanvas();
    // Before any capture there is no background to lay under the image.
    ui::DibBitmap* background = plugin.Binding.BackgroundBitmap.get();
    if (background && background->HasPixels())
        BitBlt(canvas.Dc(), 0, 0, window.Width(), window.Height(), background->Canvas(), 0, 0, SRCCOPY);
    DrawImage(*images.CurrentImage, canvas.Dc(), 0, 0, images.CurrentImage->Width(),
              images.CurrentImage->Height(), images.AlphaColor);
}

void SetAlphaColor(Plugin& plugin) {
    plugin.State.Images.AlphaColor = static_cast<std::uint32_t>(plugin.State.Params.CurrentData());
}

void ShowOrHide(Plugin& plugin) {
    if (!Bound(plugin)) return;
    ui::Form& window = plugin.Binding.Window->Window();
    window.SetVisible(!window.Visible());
}

void ShowSettingsTest(Plugin& plugin) {
    const PluginSettings& settings = plugin.State.Settings;
    ui::ShowMessage("hotspotname " + settings.HotspotName);
    ui::ShowMessage(settings.SettingsPath);
}

void MakeSprite(Plugin& plugin) {
    ImageState& images = plugin.State.Images;
    ParamHistory& params = plugin.State.Params;
    const std::int32_t count = params.CurrentData();
    if (count < 1) {
        ui::ShowMessage(sprite_messages::CountBelowOne);  // the previous sprite stays
        return;
    }
    images.SpriteFrames.clear();
    // The frame list is only made once the names are checked: the count alone
    // must never decide how much is allocated.
    SpriteListCheck check = CheckSpriteList(params.CurrentFile(), count, IsExistingFile);
    params.SetCurrentFile(check.remainingList);
    if (check.message) {
        ui::ShowMessage(*check.message);
        return;
    }
    std::vector<std::unique_ptr<PngImage>> frames;
    for (const std::string& name : check.names) {
        frames.push_back(std::make_unique<PngImage>());
        if (!frames.back()->LoadFile(name)) {
            ui::ShowMessage(SpriteLoadFailedMessage(name));
            return;
        }
    }
    images.SpriteFrames = std::move(frames);
}

void SpriteAnim(Plugin& plugin) { plugin.State.Images.SpriteMode = plugin.State.Params.CurrentData() != 0; }

void SetCurFrame(Plugin& plugin) {
    ImageState& images = plugin.State.Images;
    const std::int32_t frame = plugin.State.Params.CurrentData();
    images.CurrentFrame = frame < images.FrameCount() ? frame : 0;
}

}  // namespace tevpng::image
