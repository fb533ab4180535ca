#include "ui/timers.h"

#include <algorithm>
#include <vector>

#include "base/floating_point.h"
#include "base/immortal.h"
#include "ui/module_instance.h"
#include "ui/window_class.h"

namespace tevpng::ui {

// ---- window timers ---------------------------------------------------------

namespace {

constexpr char kTimerWindowClass[] = "TimerWindow";

std::vector<WindowTimer*>& WindowTimers() {
    static Immortal<std::vector<WindowTimer*>> timers;
    return timers.Get();
}

win32::WindowHandle& TimerWindow() {
    static Immortal<win32::WindowHandle> window;
    return window.Get();
}

HWND MakeTimerWindow() {
    win32::WindowHandle& window = TimerWindow();
    if (!window && EnsureWindowClass(kTimerWindowClass, &DefWindowProcA, nullptr))
        window.Reset(CreateWindowExA(0, kTimerWindowClass, "", WS_POPUP, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                     ModuleInstance(), nullptr));
    return window.Get();
}

}  // namespace

WindowTimer::WindowTimer(int intervalMs, std::function<void()> tick)
    : interval_(intervalMs > 0 ? intervalMs : 1000), tick_(std::move(tick)) {
    WindowTimers().push_back(this);
}

WindowTimer::~WindowTimer() {
    SetEnabled(false);
    auto& timers = WindowTimers();
    timers.erase(std::remove(timers.begin(), timers.end(), this), timers.end());
    if (!timers.empty()) return;
    std::vector<WindowTimer*>().swap(timers);
    TimerWindow().Reset();
}

void WindowTimer::SetInterval(int intervalMs) {
    const int interval = intervalMs > 0 ? intervalMs : 1000;
    if (interval == interval_) return;
    interval_ = interval;
    // SetTimer with the same ID replaces the running timer.
    if (enabled_) SetTimer(TimerWindow().Get(), Id(), static_cast<UINT>(interval_), &TimerProc);
}

void WindowTimer::SetEnabled(bool enabled) {
    if (enabled == enabled_) return;
    if (!enabled) {
        timer_.Reset();
        enabled_ = false;
        return;
    }
    HWND window = MakeTimerWindow();
    if (!window) return;
    timer_ = win32::SetWindowTimer(window, Id(), static_cast<UINT>(interval_), &TimerProc);
    if (!timer_) return;
    enabled_ = true;
}

HWND WindowTimer::SharedWindow() { return TimerWindow().Get(); }

void WindowTimer::StopAll() {
    for (WindowTimer* timer : WindowTimers()) timer->SetEnabled(false);
    TimerWindow().Reset();
}

void CALLBACK WindowTimer::TimerProc(HWND, UINT, UINT_PTR id, DWORD) {
    FloatingPointGuard floatingPoint;  // dispatched by the host's message loop
    // Only a live, running timer ticks: a WM_TIMER may outlive its timer.
    const auto& timers = WindowTimers();
    const auto found =
        std::find_if(timers.begin(), timers.end(), [&](WindowTimer* t) { return t->Id() == id; });
    if (found == timers.end() || !(*found)->enabled_) return;
    const auto tick = (*found)->tick_;  // the handler may release its own timer
    if (!tick) return;
    try {
        tick();
    } catch (...) {
        // Nothing may unwind through the system's dispatch.
    }
}

// ---- multimedia timers -----------------------------------------------------

namespace {

// Serialises the UI thread's starts and stops with the ticks on the timer thread.
win32::CriticalSection& TimersLock() {
    static Immortal<win32::CriticalSection> lock;
    return lock.Get();
}

std::vector<MultimediaTimer*>& MultimediaTimers() {
    static Immortal<std::vector<MultimediaTimer*>> timers;
    return timers.Get();
}

}  // namespace

MultimediaTimer::MultimediaTimer(int intervalMs, std::function<void()> tick)
    : interval_(intervalMs), tick_(std::move(tick)) {
    win32::CriticalSection::Hold lock(TimersLock());
    MultimediaTimers().push_back(this);
}

MultimediaTimer::~MultimediaTimer() {
    Stop();
    win32::CriticalSection::Hold lock(TimersLock());
    auto& timers = MultimediaTimers();
    timers.erase(std::remove(timers.begin(), timers.end(), this), timers.end());
    if (timers.empty()) std::vector<MultimediaTimer*>().swap(timers);
}

void MultimediaTimer::SetTickHandler(std::function<void()> tick) {
    win32::CriticalSection::Hold lock(TimersLock());
    tick_ = std::move(tick);
}

bool MultimediaTimer::Enabled() const {
    win32::CriticalSection::Hold lock(TimersLock());
    return enabled_;
}

void MultimediaTimer::SetEnabled(bool enabled) {
    if (enabled)
        Start();
    else
        Stop();
}

void MultimediaTimer::Start() {
    win32::MultimediaTimerId fired;  // a one-shot that has fired keeps its id until it is killed
    {
        win32::CriticalSection::Hold lock(TimersLock());
        if (enabled_) return;
        fired = std::move(systemTimer_);
    }
    fired.Reset();
    win32::CriticalSection::Hold lock(TimersLock());
    // Synchronous kill: once timeKillEvent returns, no tick of this timer runs
    // any more, so the object (and the library's code) may go.
    const UINT flags = (periodic_ ? TIME_PERIODIC : TIME_ONESHOT) | TIME_KILL_SYNCHRONOUS;
    const UINT id = timeSetEvent(static_cast<UINT>(interval_), resolution_, &Callback,
                                 reinterpret_cast<DWORD_PTR>(this), flags);
    if (!id) return;
    systemTimer_ = win32::MultimediaTimerId(id);
    enabled_ = true;
}

void MultimediaTimer::Stop() {
    win32::MultimediaTimerId doomed;
    {
        win32::CriticalSection::Hold lock(TimersLock());
        enabled_ = false;
        doomed = std::move(systemTimer_);
    }
    // Killed outside the lock: the kill waits for a running tick, which may be
    // waiting for the lock.
    doomed.Reset();
}

void MultimediaTimer::StopAll() {
    std::vector<MultimediaTimer*> timers;
    {
        win32::CriticalSection::Hold lock(TimersLock());
        timers = MultimediaTimers();
    }
    for (MultimediaTimer* timer : timers) timer->Stop();
}

void CALLBACK MultimediaTimer::Callback(UINT id, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
    FloatingPointGuard floatingPoint(FloatingPointGuard::Track::No);  // the system's timer thread
    reinterpret_cast<MultimediaTimer*>(user)->Fire(id);
}

void MultimediaTimer::Fire(UINT id) {
    std::function<void()> tick;
    {
        win32::CriticalSection::Hold lock(TimersLock());
        if (systemTimer_.Get() != id) return;  // stopped (and maybe restarted) meanwhile
        if (!periodic_) enabled_ = false;
        tick = tick_;
    }
    // The tick may stop or release this timer: `this` is not touched after it.
    if (!tick) return;
    try {
        tick();
    } catch (...) {
        // Nothing may unwind into the system's timer thread.
    }
}

}  // namespace tevpng::ui
