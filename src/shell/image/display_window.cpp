#include "image/display_window.h"

#include <algorithm>
#include <cstdint>

#include "codec/png_image.h"
#include "model/hotspot_script.h"
#include "settings/settings_file.h"
#include "ui/application.h"
#include "ui/dib_bitmap.h"
#include "ui/message_pump.h"
#include "win32/handles.h"

namespace tevpng::image {

namespace {

constexpr int kScriptTimerMs = 70;
constexpr int kReparentTimerMs = 100;

// Handle values of 32 or less count as "no handle".
bool IsRealHandle(const void* handle) { return reinterpret_cast<std::uintptr_t>(handle) > 32; }

}  // namespace

void PostScriptToHost(HWND hostWindow, const char* text, int mode) {
    if (mode != 0 && mode != 1) return;
    PostMessageA(hostWindow, kScriptMessage, static_cast<WPARAM>(mode), reinterpret_cast<LPARAM>(text));
}

HostBinding::HostBinding() = default;
HostBinding::~HostBinding() = default;
HostBinding::HostBinding(HostBinding&&) noexcept = default;
HostBinding& HostBinding::operator=(HostBinding&&) noexcept = default;

std::shared_ptr<DisplayWindow> DisplayWindow::Create(const std::shared_ptr<ui::AppWindow>& applet,
                                                     Plugin& plugin) {
    std::shared_ptr<DisplayWindow> display(new DisplayWindow(plugin));
    display->Build(applet);
    return display;
}

DisplayWindow::~DisplayWindow() { Destroy(); }

void DisplayWindow::Destroy() {
    if (scriptTimer_) scriptTimer_->SetEnabled(false);
    if (reparentTimer_) reparentTimer_->SetEnabled(false);
    if (window_) window_->Destroy();
}

void DisplayWindow::Build(const std::shared_ptr<ui::AppWindow>& applet) {
    window_ = ui::Form::Create(applet, "");
    window_->SetLeft(327);
    window_->SetTop(144);
    window_->SetVisible(false);
    window_->SetEnabled(false);
    window_->SetWindowAlpha(1);
    window_->RemoveBorder();
    window_->SetClientSize(478, 104);
    window_->SetFontFace("MS Sans Serif");
    window_->RemoveCloseCommand();
    window_->SetClickHandler([this] { ShowMouseMessage(); });
    window_->SetPaintHandler([](HDC) {});  // the window paints nothing of its own

    scriptTimer_ = window_->ReleaseWithWindow(
        std::make_shared<ui::WindowTimer>(kScriptTimerMs, [this] { ScriptStep(); }));
    reparentTimer_ = window_->ReleaseWithWindow(
        std::make_shared<ui::MultimediaTimer>(kReparentTimerMs, [this] { ReparentStep(); }));
    reparentTimer_->SetPeriodic(false);

    statusLabel_ = ui::Label::Create(window_, "", 112, 16);
    secondLabel_ = ui::Label::Create(window_, "", 224, 24);

    window_->Perform(WM_INITMENU, 0, 0);
    window_->AttachHook(&DisplayWindow::DestroyHook, this);
    window_->AttachHook(&DisplayWindow::CommandHook, this);

    plugin_.State.Images.CurrentImage = std::make_unique<PngImage>();
}

void DisplayWindow::ScriptStep() {
    PluginState& state = plugin_.State;
    if (!state.Settings.UseHotspot) return;  // keep ticking: a settings reload may switch it on
    state.ScriptText = BuildHotspotScript(state.Settings.HotspotName, state.DrawRect);
    PostScriptToHost(plugin_.Binding.HostWindow, state.ScriptText.c_str(), 1);
    scriptTimer_->SetEnabled(false);
}

// Nothing starts this timer; it stays for a host page that wants the display
// window inside it. It runs on the multimedia timer's thread, so it only makes
// calls that are safe from there.
void DisplayWindow::ReparentStep() {
    reparentTimer_->SetEnabled(false);
    HWND window = window_->HandleIfMade();
    if (IsRealHandle(window)) {
        SetParent(window, plugin_.Binding.HostWindow);
        PostMessageA(window, kCaptureBackgroundMessage, 0, 0);
    } else {
        ui::ShowMessage("noform");
    }
}

void DisplayWindow::CaptureBackground() {
    if (!IsRealHandle(window_->HandleIfMade())) {
        ui::ShowMessage("form no");
        return;
    }
    window_->SetVisible(false);
    ui::ProcessMessages();  // let the host repaint what the window covered

    HostBinding& binding = plugin_.Binding;
    const DrawRectangle& rect = plugin_.State.DrawRect;
    auto capture = std::make_unique<ui::DibBitmap>(rect.width, rect.height, ui::DibFormat::Bits32);
    {
        const win32::WindowDc host = win32::GetWindowDc(binding.HostWindow);
        if (host)
            BitBlt(capture->Canvas(), 0, 0, rect.width, rect.height, host.Get().dc, rect.x, rect.y, SRCCOPY);
    }
    binding.BackgroundBitmap = std::move(capture);
    if (!IsRealHandle(binding.BackgroundBitmap->Handle())) return;

    window_->SetVisible(true);
    ui::ProcessMessages();
    ui::Canvas canvas = window_->GetCanvas();
    BitBlt(canvas.Dc(), 0, 0, window_->Width(), window_->Height(), binding.BackgroundBitmap->Canvas(), 0, 0,
           SRCCOPY);
}

void DisplayWindow::ShowMouseMessage() { ui::ShowMessage("hhh"); }

bool DisplayWindow::DestroyHook(void* context, ui::Message& message) {
    if (message.id == WM_DESTROY) {
        Plugin& plugin = static_cast<DisplayWindow*>(context)->plugin_;
        plugin.State.Images.SpriteFrames.clear();
        plugin.Binding.DisplayApplet.reset();
    }
    return false;
}

bool DisplayWindow::CommandHook(void* context, ui::Message& message) {
    auto* display = static_cast<DisplayWindow*>(context);
    if (message.id == kCaptureBackgroundMessage) display->CaptureBackground();
    if (message.id == kReloadSettingsMessage) host::ReadSettings(display->plugin_.State.Settings);
    return false;
}

}  // namespace tevpng::image
