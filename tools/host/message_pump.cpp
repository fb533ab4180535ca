#include "message_pump.h"

namespace tevhost {

void PumpMessagesFor(int milliseconds) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= static_cast<DWORD>(milliseconds)) return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - elapsed, QS_ALLINPUT);
    }
}

}  // namespace tevhost
