#include "host/module_state.h"

#include "base/immortal.h"
#include "image/display_window.h"
#include "ui/controls.h"
#include "ui/dib_bitmap.h"

namespace tevpng::host {

namespace {

// The plug-in's one state, never destroyed: at process exit the windows go with the
// process, and a destructor running then would call into a half torn-down window
// system. FreeLibrary resets the state explicitly instead (ResetModuleState).
ui::Immortal<image::Plugin> g_plugin;

}  // namespace

image::Plugin& ThePlugin() { return g_plugin.Get(); }

void ResetModuleState() { ThePlugin() = image::Plugin(); }

}  // namespace tevpng::host
