// Window timers on the shared hidden window, and the multimedia timer.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#include "host_page.h"
#include "ui/layer.h"
#include "ui/timers.h"

namespace tevpng::ui {
namespace {

using tevtest::PumpMessagesFor;
using tevtest::PumpMessagesUntil;

class TimerTest : public ::testing::Test {
protected:
    void TearDown() override { Shutdown(); }
};

TEST_F(TimerTest, IntervalsOfZeroOrLessBecomeOneSecond) {
    for (int interval : {0, -5}) EXPECT_EQ(WindowTimer(interval).Interval(), 1000);
    WindowTimer timer(70);
    EXPECT_EQ(timer.Interval(), 70);
    timer.SetInterval(0);
    EXPECT_EQ(timer.Interval(), 1000);
}

// Created with interval 0: one tick after about a second, and enabling it again
// half-way does not restart the period.
TEST_F(TimerTest, AZeroIntervalTimerTicksEverySecond) {
    int ticks = 0;
    DWORD firstTickAfter = 0;
    const DWORD start = GetTickCount();
    WindowTimer timer(0, [&] {
        if (++ticks == 1) firstTickAfter = GetTickCount() - start;
    });
    EXPECT_FALSE(timer.Enabled());  // created stopped
    timer.SetEnabled(true);
    PumpMessagesFor(600);
    EXPECT_EQ(ticks, 0);
    timer.SetEnabled(true);
    ASSERT_TRUE(PumpMessagesUntil([&] { return ticks > 0; }, 2500));
    EXPECT_GE(firstTickAfter, 950u);
    EXPECT_LT(firstTickAfter, 1500u);  // a restarted period would end at about 1600 ms
}

TEST_F(TimerTest, TimersShareOneHiddenWindowReleasedWithTheLastTimer) {
    auto first = std::make_unique<WindowTimer>(10);
    auto second = std::make_unique<WindowTimer>(10);
    EXPECT_EQ(WindowTimer::SharedWindow(), nullptr);  // made on first use
    DWORD tickThread = 0;
    int firstTicks = 0;
    int secondTicks = 0;
    first->SetTickHandler([&] {
        ++firstTicks;
        tickThread = GetCurrentThreadId();
    });
    second->SetTickHandler([&] { ++secondTicks; });
    first->SetEnabled(true);
    HWND shared = WindowTimer::SharedWindow();
    ASSERT_NE(shared, nullptr);
    EXPECT_FALSE(IsWindowVisible(shared));
    second->SetEnabled(true);
    EXPECT_EQ(WindowTimer::SharedWindow(), shared);
    ASSERT_TRUE(PumpMessagesUntil([&] { return firstTicks >= 2 && secondTicks >= 2; }, 2000));
    EXPECT_EQ(tickThread, GetCurrentThreadId());

    first.reset();
    EXPECT_TRUE(IsWindow(shared));
    second.reset();
    EXPECT_FALSE(IsWindow(shared));
    EXPECT_EQ(WindowTimer::SharedWindow(), nullptr);
}

TEST_F(TimerTest, ADisabledTimerNoLongerTicks) {
    int ticks = 0;
    WindowTimer timer(10, [&] { ++ticks; });
    timer.SetEnabled(true);
    ASSERT_TRUE(PumpMessagesUntil([&] { return ticks > 0; }, 2000));
    timer.SetEnabled(false);
    timer.SetEnabled(false);
    const int seen = ticks;
    PumpMessagesFor(100);
    EXPECT_EQ(ticks, seen);
}

// The hotspot script stops its timer from its tick; a tick may also release the timer.
TEST_F(TimerTest, ATickMayStopOrReleaseItsOwnTimer) {
    int ticks = 0;
    WindowTimer stopping(10);
    stopping.SetTickHandler([&] {
        ++ticks;
        stopping.SetEnabled(false);
    });
    stopping.SetEnabled(true);
    PumpMessagesFor(150);
    EXPECT_EQ(ticks, 1);

    auto released = std::make_unique<WindowTimer>(10);
    int releasedTicks = 0;
    released->SetTickHandler([&] {
        ++releasedTicks;
        released.reset();
    });
    released->SetEnabled(true);
    PumpMessagesFor(150);
    EXPECT_EQ(releasedTicks, 1);
    EXPECT_EQ(released, nullptr);
}

TEST_F(TimerTest, MultimediaTicksRunOnTheSystemTimerThreadUntilDisabled) {
    std::atomic<int> ticks{0};
    std::atomic<DWORD> tickThread{0};
    MultimediaTimer timer(10, [&] {
        tickThread = GetCurrentThreadId();
        ++ticks;
    });
    EXPECT_FALSE(timer.Enabled());
    EXPECT_TRUE(timer.Periodic());
    timer.SetEnabled(true);
    EXPECT_TRUE(timer.Enabled());
    Sleep(200);
    EXPECT_GE(ticks.load(), 3);
    EXPECT_NE(tickThread.load(), GetCurrentThreadId());
    timer.SetEnabled(false);
    const int seen = ticks;
    Sleep(60);
    EXPECT_EQ(ticks.load(), seen);
}

TEST_F(TimerTest, AOneShotMultimediaTimerFiresOnce) {
    std::atomic<int> ticks{0};
    MultimediaTimer timer(20, [&] { ++ticks; });
    timer.SetPeriodic(false);
    timer.SetEnabled(true);
    Sleep(150);
    EXPECT_EQ(ticks.load(), 1);
    EXPECT_FALSE(timer.Enabled());
    timer.SetEnabled(true);  // can be started again
    Sleep(150);
    EXPECT_EQ(ticks.load(), 2);
}

TEST_F(TimerTest, AMultimediaTickMayStopItsOwnTimer) {
    std::atomic<int> ticks{0};
    MultimediaTimer timer(5);
    timer.SetTickHandler([&] {
        ++ticks;
        timer.SetEnabled(false);
    });
    timer.SetEnabled(true);
    Sleep(100);
    EXPECT_EQ(ticks.load(), 1);
    EXPECT_FALSE(timer.Enabled());
}

TEST_F(TimerTest, ReleasingAMultimediaTimerWaitsForItsRunningTick) {
    std::atomic<bool> entered{false};
    std::atomic<bool> finished{false};
    auto timer = std::make_unique<MultimediaTimer>(5, [&] {
        if (entered.exchange(true)) return;
        Sleep(150);
        finished = true;
    });
    timer->SetEnabled(true);
    while (!entered) Sleep(1);
    timer.reset();
    EXPECT_TRUE(finished.load());
}

}  // namespace
}  // namespace tevpng::ui
