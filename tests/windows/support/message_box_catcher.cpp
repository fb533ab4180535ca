#include "message_box_catcher.h"

#include "tools/host/message_box_text.h"

namespace tevtest {

namespace {

using tevhost::IsDialogClass;
using tevhost::MessageText;
using tevhost::WindowText;

MessageBoxCatcher* g_active = nullptr;

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
