#pragma once

// Reading the message boxes a plug-in shows, for the host's scripted mode and the tests
// alike: both answer every box themselves, so that nothing waits on a person.
#include <windows.h>

#include <string>

namespace tevhost {

// The window's text (its caption, for a top-level window).
std::string WindowText(HWND window);
// Whether the window is of the system's dialog class, which message boxes are.
bool IsDialogClass(HWND window);
// A message box's text: its static control that has text (the icon's has none).
std::string MessageText(HWND box);

}  // namespace tevhost
