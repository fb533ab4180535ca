#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace tevtest {

struct CapturedBox {
    HWND owner;
    std::string title;
    std::string text;
};

// While alive, every message box this thread opens is recorded (owner, title,
// text) and closed with OK at once, so no test ever waits on a person.
class MessageBoxCatcher {
public:
    MessageBoxCatcher();
    ~MessageBoxCatcher();
    MessageBoxCatcher(const MessageBoxCatcher&) = delete;
    MessageBoxCatcher& operator=(const MessageBoxCatcher&) = delete;

    const std::vector<CapturedBox>& Boxes() const { return boxes_; }
    // Runs while each box is open, before it is closed: what the box's caller has
    // done by then is what happened before the box.
    void OnBox(std::function<void(const CapturedBox&)> seen) { onBox_ = std::move(seen); }
    std::vector<std::string> Texts() const;
    void Clear() { boxes_.clear(); }

private:
    static LRESULT CALLBACK HookProc(int code, WPARAM wParam, LPARAM lParam);
    void Capture(HWND box);

    HHOOK hook_ = nullptr;
    std::vector<CapturedBox> boxes_;
    std::function<void(const CapturedBox&)> onBox_;
};

}  // namespace tevtest
