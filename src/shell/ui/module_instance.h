#pragma once

#include <windows.h>

namespace tevpng::ui {

// The module this code lives in: the plug-in DLL when linked into it, the
// program when linked into a test executable. Window classes are registered
// with it and the settings file is named after it.
HINSTANCE ModuleInstance();

}  // namespace tevpng::ui
