#include "ui/application.h"

#include "ui/controls.h"
#include "base/floating_point.h"

namespace tevpng::ui {

namespace {

std::shared_ptr<AppWindow>& LibraryWindow() {
    static std::shared_ptr<AppWindow> window;
    return window;
}

}  // namespace

std::shared_ptr<AppWindow> ApplicationWindow() { return LibraryWindow(); }

void AdoptApplicationWindow(std::shared_ptr<AppWindow> window) { LibraryWindow() = std::move(window); }

void ReleaseApplicationWindow() { LibraryWindow().reset(); }

std::shared_ptr<AppWindow> CreateLibraryApplicationWindow() { return AppWindow::Create(kLibraryCaption); }

int ShowMessage(const std::string& text) {
    const auto application = ApplicationWindow();
    HWND owner = application ? application->HandleIfMade() : nullptr;
    const std::string title = application ? application->Text() : std::string();
    // The box's modal loop repaints the host's windows.
    CallerFloatingPoint hostState;
    return MessageBoxA(owner, text.c_str(), title.c_str(), kMessageBoxStyle);
}

}  // namespace tevpng::ui
