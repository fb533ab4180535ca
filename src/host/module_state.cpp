#include "host/module_state.h"

namespace tevpng::host {

ParamHistory& Params() {
    static ParamHistory params;
    return params;
}

}  // namespace tevpng::host
