#include "ui/module_instance.h"

namespace tevpng::ui {

HINSTANCE ModuleInstance() {
    // Found from an address inside this module; GetModuleHandleA(nullptr) would
    // name the host executable instead of the DLL.
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&ModuleInstance), &module);
    return module;
}

}  // namespace tevpng::ui
