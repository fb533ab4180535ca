#pragma once

#include <windows.h>

#include <memory>

#include "win/controls.h"
#include "win/timers.h"

namespace tevpng::image {

// Messages the display window accepts besides the window system's own.
inline constexpr UINT kCaptureBackgroundMessage = 0x50E;
inline constexpr UINT kReloadSettingsMessage = 0x50F;

// The plug-in's own window: hidden in normal use, it carries the script timer
// that sends the hotspot script after each Draw, the status labels, and the
// handlers that capture the host's pixels and reload the settings.
class DisplayWindow {
public:
    // Made under `applet` (the hidden application window that parents it). Also
    // makes the first, empty current image.
    static std::shared_ptr<DisplayWindow> Create(const std::shared_ptr<ui::AppWindow>& applet);
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
    DisplayWindow() = default;
    void Build(const std::shared_ptr<ui::AppWindow>& applet);

    void ScriptStep();
    void ReparentStep();
    void CaptureBackground();
    void ShowMouseMessage();

    static bool DestroyHook(void* context, ui::Message& message);
    static bool CommandHook(void* context, ui::Message& message);

    std::shared_ptr<ui::Form> window_;
    std::shared_ptr<ui::MultimediaTimer> reparentTimer_;
    std::shared_ptr<ui::Label> statusLabel_;
    std::shared_ptr<ui::Label> secondLabel_;
    std::shared_ptr<ui::WindowTimer> scriptTimer_;
};

}  // namespace tevpng::image
