#pragma once

#include "image/plugin.h"

namespace tevpng::host {

// The plug-in of the loaded library; one per process, made on first use.
image::Plugin& ThePlugin();

// Library unload: forgets all of the plug-in's state (its windows must be gone already).
void ResetModuleState();

}  // namespace tevpng::host
