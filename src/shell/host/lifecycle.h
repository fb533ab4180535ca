#pragma once

#include <windows.h>

#include <cstdint>

#include "image/plugin.h"

namespace tevpng::host {

// Library load: makes the library-wide application window; reads nothing from disk.
void OnLibraryLoad();

// Library unload through FreeLibrary: stops every timer, destroys every window the
// library made and unregisters its classes, and forgets all state, so that the code
// can go away and the library can be loaded again in the same process.
void OnLibraryUnload(image::Plugin& plugin);

// Binds the plug-in to the host page window: chooses and reads the settings file and,
// on the first call, makes the display window, the current image and the backup stream.
void SetParentWindow(image::Plugin& plugin, HWND hostWindow);

// Paints the current image (or sprite frame) at (x, y); width and height bound it.
// Records the rectangle even before SetParentWindow, when nothing else happens.
std::int32_t Draw(image::Plugin& plugin, HDC dc, std::int32_t x, std::int32_t y, std::int32_t width,
                  std::int32_t height);

// Shows the settings dialog and returns 0 once it is closed (OK, Cansel, its
// window destroyed, or a WM_QUIT, which stays pending for the caller). Returns
// 0 at once while the dialog is already open.
std::int32_t Interface(image::Plugin& plugin);

}  // namespace tevpng::host
