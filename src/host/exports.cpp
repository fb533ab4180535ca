// The 24 exports the host calls. Each one is a thin, guarded call into the
// plug-in: C calling convention, 32-bit arguments, nothing thrown across.
#include <windows.h>

#include <cstdint>

#include "host/export_guard.h"
#include "host/module_state.h"
#include "host/plugin_info.h"

using tevpng::Guarded;
using tevpng::host::Params;

#define TEVPNG_EXPORT extern "C" __cdecl

// ---- commands (filled in by the image subsystem) ----------------------------

TEVPNG_EXPORT void setalphacolor() {}
TEVPNG_EXPORT void shide() {}
TEVPNG_EXPORT void loadalpha() {}
TEVPNG_EXPORT void setcurframe() {}
TEVPNG_EXPORT void spriteanim() {}
TEVPNG_EXPORT void makesprite() {}
TEVPNG_EXPORT void savescaled() {}
TEVPNG_EXPORT void restorepng() {}
TEVPNG_EXPORT void resizepng() {}
TEVPNG_EXPORT void loadpng() {}
TEVPNG_EXPORT void test() {}

// ---- lifecycle -------------------------------------------------------------

TEVPNG_EXPORT std::int32_t Draw(HDC, std::int32_t, std::int32_t, std::int32_t, std::int32_t) {
    return 0;
}

TEVPNG_EXPORT void SetParentWindow(HWND) {}

TEVPNG_EXPORT std::int32_t CreateObject() { return 0; }

TEVPNG_EXPORT std::int32_t Interface() { return 0; }

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
