#pragma once

// Window timers (SetTimer on one hidden window shared by all of them; ticks
// run on the thread that made that window) and the multimedia timer
// (timeSetEvent; ticks run on the system's timer thread).
#include <windows.h>

#include <functional>

#include "win32/handles.h"

namespace tevpng::ui {

class WindowTimer {
public:
    // An interval of 0 or less becomes 1000 ms. Created stopped.
    explicit WindowTimer(int intervalMs, std::function<void()> tick = {});
    // Stops the timer; the last window timer to go takes the shared window with it.
    ~WindowTimer();
    WindowTimer(const WindowTimer&) = delete;
    WindowTimer& operator=(const WindowTimer&) = delete;

    int Interval() const { return interval_; }
    void SetInterval(int intervalMs);
    bool Enabled() const { return enabled_; }
    // Enabling an enabled timer (or disabling a disabled one) does nothing: a
    // running period is not restarted.
    void SetEnabled(bool enabled);
    void SetTickHandler(std::function<void()> tick) { tick_ = std::move(tick); }

    // The hidden window the timers run on, or null before the first one starts.
    static HWND SharedWindow();
    // For library unload: stops every window timer and destroys the shared window.
    static void StopAll();

private:
    static void CALLBACK TimerProc(HWND window, UINT message, UINT_PTR id, DWORD time);
    UINT_PTR Id() const { return reinterpret_cast<UINT_PTR>(this); }

    int interval_;
    bool enabled_ = false;
    win32::WindowTimerId timer_;
    std::function<void()> tick_;
};

class MultimediaTimer {
public:
    // Created stopped and periodic, resolution 0.
    explicit MultimediaTimer(int intervalMs, std::function<void()> tick = {});
    // Stops the timer; once it returns, no tick of this timer is running on
    // another thread. A tick may release its own timer.
    ~MultimediaTimer();
    MultimediaTimer(const MultimediaTimer&) = delete;
    MultimediaTimer& operator=(const MultimediaTimer&) = delete;

    // Interval, resolution, periodicity and handler take effect at the next enabling.
    int Interval() const { return interval_; }
    void SetInterval(int intervalMs) { interval_ = intervalMs; }
    void SetResolution(UINT resolution) { resolution_ = resolution; }
    bool Periodic() const { return periodic_; }
    void SetPeriodic(bool periodic) { periodic_ = periodic; }
    void SetTickHandler(std::function<void()> tick);

    // A one-shot timer counts as disabled once it has fired. Disabling may be
    // done from the timer's own tick.
    bool Enabled() const;
    void SetEnabled(bool enabled);

    // For library unload: stops every multimedia timer.
    static void StopAll();

private:
    static void CALLBACK Callback(UINT id, UINT message, DWORD_PTR user, DWORD_PTR, DWORD_PTR);
    void Fire(UINT id);
    void Start();
    void Stop();

    int interval_;
    UINT resolution_ = 0;
    bool periodic_ = true;
    bool enabled_ = false;                  // guarded by the timers' lock
    win32::MultimediaTimerId systemTimer_;  // guarded by the timers' lock
    std::function<void()> tick_;            // guarded by the timers' lock
};

}  // namespace tevpng::ui
