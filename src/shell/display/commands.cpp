#include "display/commands.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "exports/module_state.h"
#include "settings/settings_file.h"
#include "display/display_window.h"
#include "display/image_state.h"
#include "model/sprite_list.h"
#include "model/sprite_messages.h"
#include "drawing/alpha_drawing.h"
#include "codec/image_backup.h"
#include "codec/png_image.h"
#include "scale/resize.h"
#include "win/application.h"
#include "win/dib_bitmap.h"

namespace tevpng::image {

namespace {

using host::Binding;
using host::Params;

// A file, not a directory.
bool IsExistingFile(const std::string& name) {
    const DWORD attributes = GetFileAttributesA(name.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The image commands need what SetParentWindow makes: the display window, the
// current image and the backup stream.
bool Bound() { return Binding().DisplayWindow && Images().CurrentImage && Binding().PngBackup; }

}  // namespace

void LoadPng() {
    if (!Bound()) return;
    PngImage& image = *Images().CurrentImage;
    image.LoadFile(Params().CurrentFile());  // a failed load still sets the label
    Binding().PngBackup->Keep(image);
    Binding().DisplayWindow->StatusLabel().SetText("load png");
}

void RestorePng() {
    if (!Bound()) return;
    Binding().PngBackup->RestoreInto(*Images().CurrentImage);
    // The host lays out and repaints its page on this, and so calls Draw again.
    PostMessageA(Binding().HostWindow, WM_SIZE, 0, 0);
}

void ResizePng() {
    if (!Bound()) return;
    // A refused size or an empty image leaves the image exactly as it was.
    ResizeImage(*Images().CurrentImage, Params().DataHistory(1), Params().CurrentData());
}

void SaveScaled() {
    if (!Bound()) return;
    const std::string path = Params().CurrentFile();  // the box's loop may run a SetFile
    ui::ShowMessage(path);
    Images().CurrentImage->SaveFile(path);
}

void LoadAlpha() {
    if (!Bound()) return;
    ImageState& images = Images();
    images.CurrentImage->LoadFile(Params().CurrentFile());
    ui::Form& window = Binding().DisplayWindow->Window();
    ui::Canvas canvas = window.GetCanvas();
    // Before any capture there is no background to lay under the image.
    if (images.BackgroundBitmap && images.BackgroundBitmap->HasPixels())
        BitBlt(canvas.Dc(), 0, 0, window.Width(), window.Height(), images.BackgroundBitmap->Canvas(), 0, 0, SRCCOPY);
    DrawImage(*images.CurrentImage, canvas.Dc(), 0, 0, images.CurrentImage->Width(), images.CurrentImage->Height(),
              images.AlphaColor);
}

void SetAlphaColor() { Images().AlphaColor = static_cast<std::uint32_t>(Params().CurrentData()); }

void ShowOrHide() {
    if (!Bound()) return;
    ui::Form& window = Binding().DisplayWindow->Window();
    window.SetVisible(!window.Visible());
}

void ShowSettingsTest() {
    const host::PluginSettings& settings = host::Settings();
    ui::ShowMessage("hotspotname " + settings.HotspotName);
    ui::ShowMessage(settings.SettingsPath);
}

void MakeSprite() {
    ImageState& images = Images();
    const std::int32_t count = Params().CurrentData();
    if (count < 1) {
        ui::ShowMessage(sprite_messages::CountBelowOne);  // the previous sprite stays
        return;
    }
    ReleaseSpriteFrames();
    // The frame list is only made once the names are checked: the count alone
    // must never decide how much is allocated.
    SpriteListCheck check = CheckSpriteList(Params().CurrentFile(), count, IsExistingFile);
    Params().SetCurrentFile(check.remainingList);
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
    images.FrameCount = count;
}

void SpriteAnim() { Images().SpriteMode = Params().CurrentData() != 0; }

void SetCurFrame() {
    ImageState& images = Images();
    const std::int32_t frame = Params().CurrentData();
    images.CurrentFrame = frame < images.FrameCount ? frame : 0;
}

}  // namespace tevpng::image
