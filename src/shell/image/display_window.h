#pragma once

#include <windows.h>

#include <memory>

#include "image/plugin.h"
#include "ui/controls.h"
#include "ui/timers.h"

namespace tevpng::image {

// Messages the display window accepts besides the window system's own.
inline constexpr UINT kCaptureBackgroundMessage = 0x50E;
inline constexpr UINT kReloadSettingsMessage = 0x50F;
// The script message the host receives, with wParam = mode and lParam = the text.
inline constexpr UINT kScriptMessage = 0x8C7;

// Posts the script to the host window; modes other than 0 and 1 post nothing. The
// caller keeps `text` alive until the host has read it.
void PostScriptToHost(HWND hostWindow, const char* text, int mode);

// The plug-in's own window: hidden in normal use, it carries the script timer
// that sends the hotspot script after each Draw, the status labels, and the
// handlers that capture the host's pixels and reload the settings.
class DisplayWindow {
public:
    // Made under `applet` (the hidden application window that parents it), for `plugin`,
    // whose settings, rectangle, host window and sprite frames its handlers use. Also
    // makes the plug-in's first, empty current image.
    static std::shared_ptr<DisplayWindow> Create(const std::shared_ptr<ui::AppWindow>& applet,
                                                 Plugin& plugin);
    ~DisplayWindow();
    DisplayWindow(const DisplayWindow&) = delete;
    DisplayWindow& operator=(const DisplayWindow&) = delete;

    ui::Form& Window() { return *window_; }
    ui::Label& StatusLabel() { return *statusLabel_; }
    ui::WindowTimer& ScriptTimer() { return *scriptTimer_; }

    // Called by Draw: a running timer is not restarted, so however often the host
    // paints, at most one script goes out per period.
    void StartScriptTimer() { scriptTimer_->SetEnabled(true); }

    // Destroys the window (its WM_DESTROY hook releases the sprite frames and the applet).
    void Destroy();

private:
    explicit DisplayWindow(Plugin& plugin) : plugin_(plugin) {}
    void Build(const std::shared_ptr<ui::AppWindow>& applet);

    void ScriptStep();
    void ReparentStep();
    void CaptureBackground();
    void ShowMouseMessage();

    static bool DestroyHook(void* context, ui::Message& message);
    static bool CommandHook(void* context, ui::Message& message);

    Plugin& plugin_;
    std::shared_ptr<ui::Form> window_;
    std::shared_ptr<ui::MultimediaTimer> reparentTimer_;
    std::shared_ptr<ui::Label> statusLabel_;
    std::shared_ptr<ui::Label> secondLabel_;
    std::shared_ptr<ui::WindowTimer> scriptTimer_;
};

}  // namespace tevpng::image
