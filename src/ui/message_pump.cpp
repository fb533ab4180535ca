#include "ui/message_pump.h"

#include <windows.h>

namespace tevpng::ui {

std::optional<int> ProcessMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            const int exitCode = static_cast<int>(message.wParam);
            PostQuitMessage(exitCode);
            return exitCode;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return std::nullopt;
}

void WaitForMessage() { WaitMessage(); }

}  // namespace tevpng::ui
