#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "model/param_history.h"
#include "model/hotspot_script.h"

namespace tevpng {
class ImageBackup;
}
namespace tevpng::ui {
class AppWindow;
}
namespace tevpng::image {
class DisplayWindow;
}

namespace tevpng::host {

// The parameter history of the loaded library; one per process, like every
// piece of the plug-in's state.
ParamHistory& Params();

// How the plug-in is bound to its host page.
struct HostBinding {
    HWND HostWindow = nullptr;
    DrawRectangle DrawRect;  // the last Draw's rectangle
    std::shared_ptr<ui::AppWindow> DisplayApplet;
    std::shared_ptr<image::DisplayWindow> DisplayWindow;  // made once, by the first SetParentWindow
    std::unique_ptr<ImageBackup> PngBackup;               // the image as loadpng left it
    std::shared_ptr<ui::AppWindow> DialogApplet;          // exists while the settings dialog is open
    std::string ScriptText;  // the last script posted; the host reads it after the post
};

HostBinding& Binding();

// Library unload: forgets the parameters and the binding (windows must be gone already).
void ResetModuleState();

}  // namespace tevpng::host
