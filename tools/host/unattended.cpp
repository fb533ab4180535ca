#include "unattended.h"

#include "message_box_text.h"

namespace tevhost {

namespace {

MessageBoxAnswerer* g_answerer = nullptr;
NewWindowCloser* g_closer = nullptr;

BOOL CALLBACK CollectWindow(HWND window, LPARAM set) {
    reinterpret_cast<std::set<HWND>*>(set)->insert(window);
    return TRUE;
}

std::set<HWND> ThreadWindows() {
    std::set<HWND> windows;
    EnumThreadWindows(GetCurrentThreadId(), CollectWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

}  // namespace

MessageBoxAnswerer::MessageBoxAnswerer(std::function<void(const std::string&)> log) : log_(std::move(log)) {
    g_answerer = this;
    hook_ = SetWindowsHookExA(WH_CBT, HookProc, nullptr, GetCurrentThreadId());
}

MessageBoxAnswerer::~MessageBoxAnswerer() {
    if (hook_) UnhookWindowsHookEx(hook_);
    if (g_answerer == this) g_answerer = nullptr;
}

void MessageBoxAnswerer::Answer(HWND box) {
    // A box activated a second time is answered once.
    if (GetPropA(box, "tevhost.answered")) return;
    SetPropA(box, "tevhost.answered", reinterpret_cast<HANDLE>(1));
    texts_.push_back(MessageText(box));
    log_("message box \"" + WindowText(box) + "\": " + texts_.back() + "  (answered OK)");
    // Closing inside the hook would pull the box down while it is being made; the
    // posted OK is handled by the box's own loop.
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

LRESULT CALLBACK MessageBoxAnswerer::HookProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && g_answerer) {
        HWND window = reinterpret_cast<HWND>(wParam);
        if (IsDialogClass(window)) g_answerer->Answer(window);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

NewWindowCloser::NewWindowCloser(int afterMs, std::function<void(const std::string&)> log)
    : log_(std::move(log)), before_(ThreadWindows()) {
    g_closer = this;
    timer_ = SetTimer(nullptr, 0, static_cast<UINT>(afterMs), OnTimer);
}

NewWindowCloser::~NewWindowCloser() {
    if (timer_) KillTimer(nullptr, timer_);
    if (g_closer == this) g_closer = nullptr;
}

void CALLBACK NewWindowCloser::OnTimer(HWND, UINT, UINT_PTR, DWORD) {
    if (g_closer) g_closer->CloseNewWindows();
}

void NewWindowCloser::CloseNewWindows() {
    for (HWND window : ThreadWindows()) {
        if (before_.count(window) || !IsWindowVisible(window)) continue;
        log_("closing the plug-in's window \"" + WindowText(window) + "\"");
        before_.insert(window);
        PostMessageA(window, WM_CLOSE, 0, 0);
    }
}

}  // namespace tevhost
