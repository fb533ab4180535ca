#pragma once

#include <optional>

namespace tevpng::ui {

// Dispatches every message waiting in this thread's queue (PeekMessageA with
// PM_REMOVE, TranslateMessage, DispatchMessageA) until none is left. A WM_QUIT
// is never dispatched: the pump stops there, leaves the quit pending again
// (PostQuitMessage) for the loop that owns the thread, and returns its exit
// code. A modal loop ends when it gets a code back.
std::optional<int> ProcessMessages();

// Sleeps until a new message arrives for this thread (WaitMessage).
void WaitForMessage();

}  // namespace tevpng::ui
