#include "exports/module_state.h"

#include "display/display_window.h"
#include "codec/image_backup.h"
#include "win/controls.h"
#include "base/immortal.h"

namespace tevpng::host {

namespace {

// Never destroyed: at process exit the windows go with the process, and a
// destructor running then would call into a half torn-down window system.
// FreeLibrary resets the state explicitly instead.
ui::Immortal<ParamHistory> g_params;
ui::Immortal<HostBinding> g_binding;

}  // namespace

ParamHistory& Params() { return g_params.Get(); }

HostBinding& Binding() { return g_binding.Get(); }

void ResetModuleState() {
    Params() = ParamHistory();
    Binding() = HostBinding();
}

}  // namespace tevpng::host
