// The 24 exports the host calls. Each one is a thin, guarded call into the
// plug-in: C calling convention, 32-bit arguments, nothing thrown across.
#include <windows.h>

#include <cstdint>

#include "exports/export_guard.h"
#include "exports/lifecycle.h"
#include "exports/module_state.h"
#include "model/plugin_info.h"
#include "display/commands.h"

using tevpng::Guarded;
using tevpng::host::Params;

#define TEVPNG_EXPORT extern "C" __cdecl

// ---- commands --------------------------------------------------------------

TEVPNG_EXPORT void setalphacolor() { Guarded(tevpng::image::SetAlphaColor); }
TEVPNG_EXPORT void shide() { Guarded(tevpng::image::ShowOrHide); }
TEVPNG_EXPORT void loadalpha() { Guarded(tevpng::image::LoadAlpha); }
TEVPNG_EXPORT void setcurframe() { Guarded(tevpng::image::SetCurFrame); }
TEVPNG_EXPORT void spriteanim() { Guarded(tevpng::image::SpriteAnim); }
TEVPNG_EXPORT void makesprite() { Guarded(tevpng::image::MakeSprite); }
TEVPNG_EXPORT void savescaled() { Guarded(tevpng::image::SaveScaled); }
TEVPNG_EXPORT void restorepng() { Guarded(tevpng::image::RestorePng); }
TEVPNG_EXPORT void resizepng() { Guarded(tevpng::image::ResizePng); }
TEVPNG_EXPORT void loadpng() { Guarded(tevpng::image::LoadPng); }
TEVPNG_EXPORT void test() { Guarded(tevpng::image::ShowSettingsTest); }

// ---- lifecycle -------------------------------------------------------------

TEVPNG_EXPORT std::int32_t Draw(HDC dc, std::int32_t x, std::int32_t y, std::int32_t width,
                                 std::int32_t height) {
    Guarded([&] { tevpng::host::Draw(dc, x, y, width, height); });
    return 0;
}

TEVPNG_EXPORT void SetParentWindow(HWND hostWindow) {
    Guarded([&] { tevpng::host::SetParentWindow(hostWindow); });
}

TEVPNG_EXPORT std::int32_t CreateObject() { return 0; }

TEVPNG_EXPORT std::int32_t Interface() {
    Guarded(tevpng::host::Interface);
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
