#pragma once

#include "host/param_history.h"

namespace tevpng::host {

// The parameter history of the loaded library; one per process, like every
// piece of the plug-in's state.
ParamHistory& Params();

}  // namespace tevpng::host
