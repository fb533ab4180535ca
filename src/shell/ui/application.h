#pragma once

// The library-wide application window and the message box that uses it.
#include <windows.h>

#include <memory>
#include <string>

namespace tevpng::ui {

class AppWindow;

// The caption of the library-wide application window and so the title of every message box.
inline constexpr char kLibraryCaption[] = "tarnwick";
// OK only, brought to the foreground.
inline constexpr UINT kMessageBoxStyle = MB_SETFOREGROUND;

// The library-wide application window: the first application window made, or null.
std::shared_ptr<AppWindow> ApplicationWindow();
// Made when the library loads: the application window captioned "tarnwick".
std::shared_ptr<AppWindow> CreateLibraryApplicationWindow();

// Shows `text` in a message box owned by the library-wide application window and
// titled with its caption (no owner and an empty title without one); waits for the user.
int ShowMessage(const std::string& text);

// Used by AppWindow::Create for the first application window, and by Shutdown.
void AdoptApplicationWindow(std::shared_ptr<AppWindow> window);
void ReleaseApplicationWindow();

}  // namespace tevpng::ui
