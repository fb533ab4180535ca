#pragma once

#include <windows.h>

#include <memory>

#include "model/plugin_state.h"

namespace tevpng::ui {
class AppWindow;
class DibBitmap;
}  // namespace tevpng::ui

namespace tevpng::image {

class DisplayWindow;

// The Win32 objects that bind the plug-in to its host page.
struct HostBinding {
    HWND HostWindow = nullptr;
    std::shared_ptr<ui::AppWindow> DisplayApplet;
    std::shared_ptr<DisplayWindow> Window;            // made once, by the first SetParentWindow
    std::shared_ptr<ui::AppWindow> DialogApplet;      // exists while the settings dialog is open
    std::unique_ptr<ui::DibBitmap> BackgroundBitmap;  // the last capture of the host's pixels

    HostBinding();
    ~HostBinding();
    HostBinding(HostBinding&&) noexcept;
    HostBinding& operator=(HostBinding&&) noexcept;
};

// The plug-in, once per loaded library: its portable state and its Win32 objects. The
// exports hold the one instance (host/module_state.h) and hand it to what they call.
struct Plugin {
    PluginState State;
    HostBinding Binding;
};

}  // namespace tevpng::image
