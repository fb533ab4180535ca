#pragma once

// What the scripted mode needs so that nothing ever waits on a person: message boxes
// are logged and answered with OK, and windows that an export opens (the settings
// dialog) are closed after a while.

#include <windows.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

namespace tevhost {

// While alive, every message box shown on this thread is logged, remembered and closed.
class MessageBoxAnswerer {
public:
    explicit MessageBoxAnswerer(std::function<void(const std::string&)> log);
    ~MessageBoxAnswerer();
    MessageBoxAnswerer(const MessageBoxAnswerer&) = delete;
    MessageBoxAnswerer& operator=(const MessageBoxAnswerer&) = delete;

    // Texts of the boxes shown so far, oldest first.
    const std::vector<std::string>& Texts() const { return texts_; }

private:
    static LRESULT CALLBACK HookProc(int code, WPARAM wParam, LPARAM lParam);
    void Answer(HWND box);

    std::function<void(const std::string&)> log_;
    HHOOK hook_ = nullptr;
    std::vector<std::string> texts_;
};

// While alive, top-level windows of this thread that were not there at its start and
// are visible are sent WM_CLOSE once `afterMs` has passed.
class NewWindowCloser {
public:
    NewWindowCloser(int afterMs, std::function<void(const std::string&)> log);
    ~NewWindowCloser();
    NewWindowCloser(const NewWindowCloser&) = delete;
    NewWindowCloser& operator=(const NewWindowCloser&) = delete;

private:
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD);
    void CloseNewWindows();

    std::function<void(const std::string&)> log_;
    std::set<HWND> before_;
    UINT_PTR timer_ = 0;
};

}  // namespace tevhost
