// Library unload: the layer takes down its timers, windows and classes, and can
// start again in the same process.
#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "host_page.h"
#include "ui/application.h"
#include "ui/controls.h"
#include "ui/layer.h"
#include "ui/module_instance.h"
#include "ui/timers.h"

namespace tevpng::ui {
namespace {

using tevtest::PumpMessagesFor;
using tevtest::PumpMessagesUntil;

bool ClassRegistered(const char* name) {
    WNDCLASSA info{};
    return GetClassInfoA(ModuleInstance(), name, &info) != FALSE;
}

struct DestroyRecorder {
    int destroyed = 0;
    static bool Hook(void* context, Message& message) {
        if (message.id == WM_DESTROY) ++static_cast<DestroyRecorder*>(context)->destroyed;
        return false;
    }
};

TEST(Shutdown, TakesDownEveryTimerWindowAndClassAndTheLayerStartsAgain) {
    auto library = CreateLibraryApplicationWindow();
    auto applet = AppWindow::Create("applet");
    auto form = Form::Create(applet, "");
    auto panel = Panel::Create(form);
    auto label = Label::Create(panel, "load png");
    auto edit = EditBox::Create(panel, "Hot1");
    DestroyRecorder recorder;
    form->AttachHook(&DestroyRecorder::Hook, &recorder);
    form->Handle();
    const std::vector<HWND> windows = {library->HandleIfMade(), applet->HandleIfMade(), form->HandleIfMade(),
                                       panel->HandleIfMade(),   label->HandleIfMade(),  edit->HandleIfMade()};
    for (HWND window : windows) ASSERT_TRUE(IsWindow(window));

    int windowTicks = 0;
    WindowTimer scriptTimer(10, [&] { ++windowTicks; });
    scriptTimer.SetEnabled(true);
    HWND timerWindow = WindowTimer::SharedWindow();
    std::atomic<int> multimediaTicks{0};
    MultimediaTimer reparentTimer(10, [&] { ++multimediaTicks; });
    reparentTimer.SetEnabled(true);
    Sleep(50);  // a window timer tick is now due, not yet dispatched

    Shutdown();

    for (HWND window : windows) EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(IsWindow(timerWindow));
    EXPECT_EQ(recorder.destroyed, 1);  // destroyed through the window, hooks and all
    EXPECT_EQ(Window::LiveWindowCount(), 0);
    EXPECT_EQ(WindowTimer::SharedWindow(), nullptr);
    EXPECT_EQ(ApplicationWindow(), nullptr);
    for (const char* name : {"App", "Form", "TimerWindow"}) EXPECT_FALSE(ClassRegistered(name)) << name;
    EXPECT_FALSE(scriptTimer.Enabled());
    EXPECT_FALSE(reparentTimer.Enabled());
    const int multimediaSeen = multimediaTicks;
    PumpMessagesFor(100);
    EXPECT_EQ(windowTicks, 0);
    EXPECT_EQ(multimediaTicks.load(), multimediaSeen);
    EXPECT_EQ(label->Text(), "load png");  // the objects stay usable

    // Loaded again: a new library window, new forms, and the old timer objects run again.
    auto again = CreateLibraryApplicationWindow();
    EXPECT_EQ(ApplicationWindow(), again);
    auto newForm = Form::Create(again, "");
    ASSERT_NE(newForm->Handle(), nullptr);
    EXPECT_TRUE(ClassRegistered("Form"));
    scriptTimer.SetEnabled(true);
    EXPECT_TRUE(PumpMessagesUntil([&] { return windowTicks > 0; }, 2000));
    reparentTimer.SetEnabled(true);
    Sleep(50);
    EXPECT_GT(multimediaTicks.load(), multimediaSeen);
    Shutdown();
}

TEST(Shutdown, WithNothingMadeDoesNothing) {
    Shutdown();
    Shutdown();
    EXPECT_EQ(Window::LiveWindowCount(), 0);
}

}  // namespace
}  // namespace tevpng::ui
