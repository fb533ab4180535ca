#include "image/commands.h"

#include "host/module_state.h"
#include "host/settings_file.h"
#include "image/display_window.h"
#include "image/image_state.h"
#include "png/png_image.h"
#include "ui/application.h"

namespace tevpng::image {

namespace {

using host::Binding;
using host::Params;

// Commands need the display window and the current image that SetParentWindow makes.
bool Bound() { return Binding().DisplayWindow && Images().CurrentImage; }

}  // namespace

void LoadPng() {
    if (!Bound()) return;
    Images().CurrentImage->LoadFile(Params().CurrentFile());
    Binding().DisplayWindow->StatusLabel().SetText("load png");
}

void RestorePng() {}
void ResizePng() {}
void SaveScaled() {}
void LoadAlpha() {}

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

void MakeSprite() {}

void SpriteAnim() { Images().SpriteMode = Params().CurrentData() != 0; }

void SetCurFrame() {
    ImageState& images = Images();
    const std::int32_t frame = Params().CurrentData();
    images.CurrentFrame = frame < images.FrameCount ? frame : 0;
}

}  // namespace tevpng::image
