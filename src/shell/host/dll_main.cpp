// Library load and unload.
#include <windows.h>

#include "host/export_guard.h"
#include "host/lifecycle.h"
#include "host/module_state.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    switch (reason) {
        case DLL_PROCESS_ATTACH:
            DisableThreadLibraryCalls(instance);
            tevpng::Guarded([] { tevpng::host::OnLibraryLoad(); });
            break;
        case DLL_PROCESS_DETACH:
            // At process exit (reserved set) the windows go with the process and other
            // threads are gone; only FreeLibrary needs the library to clean up after itself.
            if (!reserved) tevpng::Guarded([] { tevpng::host::OnLibraryUnload(tevpng::host::ThePlugin()); });
            break;
        default:
            break;
    }
    return TRUE;
}
