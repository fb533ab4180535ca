#include "dialog_driver.h"

#include <string>
#include <utility>

#include "thread_windows.h"

namespace tevtest {

std::optional<DialogWindows> DialogWindows::Find() {
    DialogWindows found;
    for (HWND form : ThreadWindows("Form"))
        if (TextOf(form) == "Form2" && IsWindowVisible(form)) found.form = form;
    if (!found.form) return std::nullopt;
    EnumChildWindows(found.form, Classify, reinterpret_cast<LPARAM>(&found));
    return found;
}

RECT DialogWindows::BoundsInParent(HWND window) {
    RECT rect{};
    GetWindowRect(window, &rect);
    MapWindowPoints(HWND_DESKTOP, GetParent(window), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

BOOL CALLBACK DialogWindows::Classify(HWND window, LPARAM context) {
    auto& found = *reinterpret_cast<DialogWindows*>(context);
    const std::string className = ClassNameOf(window);
    const LONG style = GetWindowLongA(window, GWL_STYLE);
    if (lstrcmpiA(className.c_str(), "Edit") == 0) {
        ((style & ES_READONLY) ? found.pluginEdit : found.hotspotEdit) = window;
    } else if (lstrcmpiA(className.c_str(), "Button") == 0) {
        if ((style & BS_TYPEMASK) == BS_AUTOCHECKBOX)
            found.check = window;
        else if (TextOf(window) == "OK")
            found.ok = window;
        else if (TextOf(window) == "Cansel")
            found.cansel = window;
    } else if (lstrcmpiA(className.c_str(), "Static") == 0) {
        if (GetParent(window) == found.form)
            (BoundsInParent(window).top == 0 ? found.topPanel : found.bottomPanel) = window;
        else
            found.labels.push_back(window);
    }
    return TRUE;
}

DialogDriver::DialogDriver(Step step, int timeoutMs)
    : step_(std::move(step)), stop_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
    active_ = this;
    timer_ = SetTimer(nullptr, 0, 10, &DialogDriver::Tick);
    watchdog_ = std::thread([this, timeoutMs, thread = GetCurrentThreadId()] {
        if (WaitForSingleObject(stop_, static_cast<DWORD>(timeoutMs)) != WAIT_TIMEOUT) return;
        gaveUp_ = true;
        if (HWND form = FindWindowA("Form", "Form2")) PostMessageA(form, WM_CLOSE, 0, 0);
        // Still open a second later: the loop's only other way out.
        if (WaitForSingleObject(stop_, 1000) == WAIT_TIMEOUT) PostThreadMessageA(thread, WM_QUIT, 99, 0);
    });
}

DialogDriver::~DialogDriver() {
    SetEvent(stop_);
    watchdog_.join();
    CloseHandle(stop_);
    KillTimer(nullptr, timer_);
    active_ = nullptr;
}

void CALLBACK DialogDriver::Tick(HWND, UINT, UINT_PTR, DWORD) {
    DialogDriver* driver = active_;
    if (!driver || driver->finished_ || driver->busy_ || driver->gaveUp_) return;
    driver->busy_ = true;  // a step may pump messages (a nested Interface does)
    if (const auto dialog = DialogWindows::Find()) driver->finished_ = driver->step_(*dialog);
    driver->busy_ = false;
}

void Click(HWND button) { SendMessageA(button, BM_CLICK, 0, 0); }

}  // namespace tevtest
