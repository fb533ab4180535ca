#include "host/lifecycle.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "codec/png_image.h"
#include "drawing/alpha_drawing.h"
#include "host/module_state.h"
#include "image/display_window.h"
#include "settings/settings_file.h"
#include "ui/application.h"
#include "ui/controls.h"
#include "ui/layer.h"

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

void CreateDisplayWindow(image::Plugin& plugin) {
    image::HostBinding& binding = plugin.Binding;
    binding.DisplayApplet = ui::AppWindow::Create(LocalTimeAsDayCount());
    binding.DisplayApplet->SetVisible(false);
    binding.Window = image::DisplayWindow::Create(binding.DisplayApplet, plugin);
    ui::Form& window = binding.Window->Window();
    window.SetStyle(WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN);
    window.SetExStyle(WS_EX_CONTROLPARENT);
    window.SetVisible(false);
}

}  // namespace

void OnLibraryLoad() { ui::CreateLibraryApplicationWindow(); }

void OnLibraryUnload(image::Plugin& plugin) {
    if (plugin.Binding.Window) plugin.Binding.Window->Destroy();
    plugin.Binding.Window.reset();
    ResetModuleState();
    ui::Shutdown();
}

void SetParentWindow(image::Plugin& plugin, HWND hostWindow) {
    PluginSettings& settings = plugin.State.Settings;
    RecomputeModuleName(settings);
    plugin.Binding.HostWindow = hostWindow;
    ChooseSettingsFile(settings, hostWindow);
    ReadSettings(settings);
    if (!plugin.Binding.Window) CreateDisplayWindow(plugin);
}

std::int32_t Draw(image::Plugin& plugin, HDC dc, std::int32_t x, std::int32_t y, std::int32_t width,
                  std::int32_t height) {
    plugin.State.DrawRect = {x, y, width, height};
    if (!plugin.Binding.Window) return 0;  // not bound yet: nothing to paint, no script to send

    if (const PngImage* image = plugin.State.Images.ImageToDraw()) {
        // A DC that is no DC at all draws nothing.
        if (dc && GetObjectType(dc) != 0) {
            const std::int64_t right = std::int64_t{x} + width;
            const std::int64_t bottom = std::int64_t{y} + height;
            DrawImage(*image, dc, x, y,
                      static_cast<std::int32_t>(std::clamp<std::int64_t>(right, INT32_MIN, INT32_MAX)),
                      static_cast<std::int32_t>(std::clamp<std::int64_t>(bottom, INT32_MIN, INT32_MAX)),
                      plugin.State.Images.AlphaColor);
        }
    }
    plugin.Binding.Window->StartScriptTimer();
    return 0;
}

}  // namespace tevpng::host
