// The 24 exports the host calls. Each one is a thin, guarded call into the
// plug-in: C calling convention, 32-bit arguments, nothing thrown across.
#include <windows.h>

#include <cstdint>

#include "host/export_guard.h"
#include "host/lifecycle.h"
#include "host/module_state.h"
#include "image/commands.h"
#include "model/plugin_info.h"

using tevpng::Guarded;
using tevpng::host::ThePlugin;
using tevpng::image::Plugin;

#define TEVPNG_EXPORT extern "C" __cdecl

namespace {

// Runs a command on the plug-in, guarded.
void Command(void (*command)(Plugin&)) {
    Guarded([command] { command(ThePlugin()); });
}

tevpng::ParamHistory& Params() { return ThePlugin().State.Params; }

}  // namespace

// ---- commands --------------------------------------------------------------

TEVPNG_EXPORT void setalphacolor() { Command(tevpng::image::SetAlphaColor); }
TEVPNG_EXPORT void shide() { Command(tevpng::image::ShowOrHide); }
TEVPNG_EXPORT void loadalpha() { Command(tevpng::image::LoadAlpha); }
TEVPNG_EXPORT void setcurframe() { Command(tevpng::image::SetCurFrame); }
TEVPNG_EXPORT void spriteanim() { Command(tevpng::image::SpriteAnim); }
TEVPNG_EXPORT void makesprite() { Command(tevpng::image::MakeSprite); }
TEVPNG_EXPORT void savescaled() { Command(tevpng::image::SaveScaled); }
TEVPNG_EXPORT void restorepng() { Command(tevpng::image::RestorePng); }
TEVPNG_EXPORT void resizepng() { Command(tevpng::image::ResizePng); }
TEVPNG_EXPORT void loadpng() { Command(tevpng::image::LoadPng); }
TEVPNG_EXPORT void test() { Command(tevpng::image::ShowSettingsTest); }

// ---- lifecycle -------------------------------------------------------------

TEVPNG_EXPORT std::int32_t Draw(HDC dc, std::int32_t x, std::int32_t y, std::int32_t width,
                                std::int32_t height) {
    Guarded([&] { tevpng::host::Draw(ThePlugin(), dc, x, y, width, height); });
    return 0;
}

TEVPNG_EXPORT void SetParentWindow(HWND hostWindow) {
    Guarded([&] { tevpng::host::SetParentWindow(ThePlugin(), hostWindow); });
}

TEVPNG_EXPORT std::int32_t CreateObject() { return 0; }

TEVPNG_EXPORT std::int32_t Interface() {
    Guarded([] { tevpng::host::Interface(ThePlugin()); });
    return 0;
}

// ---- information -----------------------------------------------------------

TEVPNG_EXPORT std::int32_t HasIntDlg() { return 1; }
TEVPNG_EXPORT const char* GetInfo() { return tevpng::info::About; }
TEVPNG_EXPORT const char* GetShortInfo() { return tevpng::info::ShortInfo; }
TEVPNG_EXPORT const char* Copyright() { return tevpng::info::CopyrightNotice; }

// ---- parameters ------------------------------------------------------------

TEVPNG_EXPORT void SetPath(const char* text) {
    Guarded([&] { Params().SetPath(text); });
}

TEVPNG_EXPORT std::int32_t GetData() { return Params().CurrentData(); }

TEVPNG_EXPORT void SetData(std::int32_t value) { Params().SetData(value); }

TEVPNG_EXPORT const char* GetFile() { return Params().CurrentFile().c_str(); }

TEVPNG_EXPORT void SetFile(const char* text) {
    Guarded([&] { Params().SetFile(text); });
}
