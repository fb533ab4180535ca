#include "exports/lifecycle.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "exports/module_state.h"
#include "settings/settings_file.h"
#include "display/display_window.h"
#include "display/image_state.h"
#include "drawing/alpha_drawing.h"
#include "codec/image_backup.h"
#include "codec/png_image.h"
#include "win/application.h"
#include "win/controls.h"
#include "win/layer.h"

namespace tevpng::host {

namespace {

// The hidden applet's caption: now as a day count since 30 December 1899 with the
// time of day as fraction (nobody sees it; it only tells the applets apart).
std::string LocalTimeAsDayCount() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    FILETIME asFileTime;
    SystemTimeToFileTime(&now, &asFileTime);
    ULARGE_INTEGER ticks;  // 100 ns since 1 January 1601
    ticks.LowPart = asFileTime.dwLowDateTime;
    ticks.HighPart = asFileTime.dwHighDateTime;
    constexpr double kTicksPerDay = 864000000000.0;
    constexpr double kDaysFrom1601To1899 = 109205.0;  // 1 January 1601 to 30 December 1899
    const double days = static_cast<double>(ticks.QuadPart) / kTicksPerDay - kDaysFrom1601To1899;
    char text[32];
    std::snprintf(text, sizeof text, "%.8f", days);
    return text;
}

void CreateDisplayWindow(HostBinding& binding) {
    binding.DisplayApplet = ui::AppWindow::Create(LocalTimeAsDayCount());
    binding.DisplayApplet->SetVisible(false);
    binding.DisplayWindow = image::DisplayWindow::Create(binding.DisplayApplet);
    ui::Form& window = binding.DisplayWindow->Window();
    window.SetStyle(WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
    window.SetExStyle(WS_EX_CONTROLPARENT);
    window.SetVisible(false);
    binding.PngBackup = std::make_unique<ImageBackup>();
}

}  // namespace

void OnLibraryLoad() { ui::CreateLibraryApplicationWindow(); }

void OnLibraryUnload() {
    HostBinding& binding = Binding();
    if (binding.DisplayWindow) binding.DisplayWindow->Destroy();
    binding.DisplayWindow.reset();
    image::Images() = image::ImageState();
    ResetModuleState();
    Settings() = PluginSettings();
    ui::Shutdown();
}

void SetParentWindow(HWND hostWindow) {
    RecomputeModuleName();
    HostBinding& binding = Binding();
    binding.HostWindow = hostWindow;
    ChooseSettingsFile(hostWindow);
    ReadSettings();
    if (!binding.DisplayWindow) CreateDisplayWindow(binding);
}

std::int32_t Draw(HDC dc, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height) {
    HostBinding& binding = Binding();
    binding.DrawRect = {x, y, width, height};
    if (!binding.DisplayWindow) return 0;  // not bound yet: nothing to paint, no script to send

    if (const PngImage* image = image::ImageToDraw()) {
        // A DC that is no DC at all draws nothing.
        if (dc && GetObjectType(dc) != 0) {
            const std::int64_t right = std::int64_t{x} + width;
            const std::int64_t bottom = std::int64_t{y} + height;
            DrawImage(*image, dc, x, y, static_cast<std::int32_t>(std::clamp<std::int64_t>(right, INT32_MIN, INT32_MAX)),
                      static_cast<std::int32_t>(std::clamp<std::int64_t>(bottom, INT32_MIN, INT32_MAX)),
                      image::Images().AlphaColor);
        }
    }
    binding.DisplayWindow->StartScriptTimer();
    return 0;
}

void PostScriptToHost(const char* text, int mode) {
    if (mode != 0 && mode != 1) return;
    PostMessageA(Binding().HostWindow, kScriptMessage, static_cast<WPARAM>(mode), reinterpret_cast<LPARAM>(text));
}

}  // namespace tevpng::host
