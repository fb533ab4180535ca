#include "ui/message_pump.h"

#include <windows.h>

#include "base/floating_point.h"

namespace tevpng::ui {

std::optional<int> ProcessMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            const int exitCode = static_cast<int>(message.wParam);
            PostQuitMessage(exitCode);
            return exitCode;
        }
        // The host's windows get the host's floating-point state; ours guard themselves.
        CallerFloatingPoint hostState;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return std::nullopt;
}

void WaitForMessage() {
    // WaitMessage can call the host's hooks and sent messages.
    CallerFloatingPoint hostState;
    WaitMessage();
}

}  // namespace tevpng::ui
