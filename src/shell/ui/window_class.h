#pragma once

#include <windows.h>

namespace tevpng::ui {

// Registers a window class of this module unless it is registered already
// (GetClassInfoA, then RegisterClassA). Every class registered here is
// unregistered again by UnregisterWindowClasses.
bool EnsureWindowClass(const char* name, WNDPROC procedure, HBRUSH background);

// Unregisters the classes EnsureWindowClass registered. Windows of those
// classes must be gone first, or the class stays registered.
void UnregisterWindowClasses();

}  // namespace tevpng::ui
