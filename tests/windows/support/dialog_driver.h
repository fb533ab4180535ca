#pragma once
// The settings dialog behind Interface as a user finds and drives it: its windows,
// and a driver that acts on it from inside Interface's own modal loop.

#include <windows.h>

#include <atomic>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

namespace tevtest {

// The dialog's windows as a user finds them on the screen.
struct DialogWindows {
    HWND form = nullptr;
    HWND bottomPanel = nullptr;
    HWND topPanel = nullptr;
    HWND hotspotEdit = nullptr;
    HWND pluginEdit = nullptr;
    HWND check = nullptr;
    HWND ok = nullptr;
    HWND cansel = nullptr;
    std::vector<HWND> labels;  // the STATIC windows inside the top panel

    // The visible form captioned "Form2" of this thread and its controls.
    static std::optional<DialogWindows> Find();
    static RECT BoundsInParent(HWND window);

private:
    static BOOL CALLBACK Classify(HWND window, LPARAM context);
};

// Runs `step` on every tick of a 10 ms thread timer while the dialog is open,
// that is from inside Interface's modal loop, until it returns true. A watchdog
// thread gives up after `timeoutMs` and posts WM_CLOSE to the form (then, if need
// be, a WM_QUIT), so that a broken loop still ends and the test fails instead of hanging.
class DialogDriver {
public:
    using Step = std::function<bool(const DialogWindows&)>;

    explicit DialogDriver(Step step, int timeoutMs = 5000);
    ~DialogDriver();
    DialogDriver(const DialogDriver&) = delete;
    DialogDriver& operator=(const DialogDriver&) = delete;

    bool Finished() const { return finished_; }
    bool GaveUp() const { return gaveUp_; }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);

    static inline DialogDriver* active_ = nullptr;
    Step step_;
    HANDLE stop_;
    std::thread watchdog_;
    UINT_PTR timer_ = 0;
    bool finished_ = false;
    std::atomic<bool> gaveUp_{false};
    bool busy_ = false;
};

void Click(HWND button);

}  // namespace tevtest
