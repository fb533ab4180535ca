#include "message_box_catcher.h"

namespace tevtest {

namespace {

MessageBoxCatcher* g_active = nullptr;

std::string WindowText(HWND window) {
    int length = GetWindowTextLengthA(window);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    text.resize(static_cast<size_t>(GetWindowTextA(window, text.data(), length + 1)));
    return text;
}

bool IsDialogClass(HWND window) {
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    return lstrcmpA(name, "#32770") == 0;
}

// EnumChildWindows callback: keeps the text of the first static control that has one.
BOOL CALLBACK KeepStaticText(HWND child, LPARAM found) {
    char name[16] = {};
    GetClassNameA(child, name, sizeof name);
    if (lstrcmpiA(name, "Static") != 0) return TRUE;
    std::string childText = WindowText(child);
    if (childText.empty()) return TRUE;
    *reinterpret_cast<std::string*>(found) = childText;
    return FALSE;
}

// The message text is the dialog's static control with text (the icon's static has none).
std::string MessageText(HWND box) {
    std::string text;
    EnumChildWindows(box, KeepStaticText, reinterpret_cast<LPARAM>(&text));
    return text;
}

}  // namespace

MessageBoxCatcher::MessageBoxCatcher() {
    g_active = this;
    hook_ = SetWindowsHookExA(WH_CBT, HookProc, nullptr, GetCurrentThreadId());
}

MessageBoxCatcher::~MessageBoxCatcher() {
    if (hook_) UnhookWindowsHookEx(hook_);
    if (g_active == this) g_active = nullptr;
}

std::vector<std::string> MessageBoxCatcher::Texts() const {
    std::vector<std::string> texts;
    for (const CapturedBox& box : boxes_) texts.push_back(box.text);
    return texts;
}

void MessageBoxCatcher::Capture(HWND box) {
    // A box activated again (after another window had focus) is recorded once.
    if (GetPropA(box, "tevtest.captured")) return;
    SetPropA(box, "tevtest.captured", reinterpret_cast<HANDLE>(1));
    boxes_.push_back({GetWindow(box, GW_OWNER), WindowText(box), MessageText(box)});
    if (onBox_) onBox_(boxes_.back());
    // Closing from inside the hook would pull the dialog down mid-creation; the
    // posted OK is handled by the box's own modal loop.
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

LRESULT CALLBACK MessageBoxCatcher::HookProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && g_active) {
        HWND window = reinterpret_cast<HWND>(wParam);
        if (IsDialogClass(window)) g_active->Capture(window);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace tevtest
