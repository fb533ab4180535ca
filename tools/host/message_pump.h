#pragma once

#include <windows.h>

namespace tevhost {

// Dispatches this thread's messages for `milliseconds`, waking for each one.
void PumpMessagesFor(int milliseconds);

// Dispatches messages until `done()` holds or `timeoutMs` passes; whether it held.
template <typename Predicate>
bool PumpMessagesUntil(Predicate done, int timeoutMs) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (static_cast<int>(GetTickCount() - start) >= timeoutMs) return false;
        PumpMessagesFor(5);
    }
    return true;
}

}  // namespace tevhost
