// The library-wide application window, the message box, and the message pump.
#include "ui/application.h"

#include <gtest/gtest.h>

#include "host_page.h"
#include "message_box_catcher.h"
#include "ui/controls.h"
#include "ui/layer.h"
#include "ui/message_pump.h"

namespace tevpng::ui {
namespace {

class ApplicationTest : public ::testing::Test {
protected:
    void TearDown() override { Shutdown(); }
};

TEST_F(ApplicationTest, TheFirstApplicationWindowOwnsAndTitlesMessageBoxes) {
    auto library = CreateLibraryApplicationWindow();
    ASSERT_NE(library->HandleIfMade(), nullptr);
    EXPECT_EQ(ApplicationWindow(), library);
    EXPECT_FALSE(IsWindowVisible(library->HandleIfMade()));
    char className[16] = {};
    GetClassNameA(library->HandleIfMade(), className, sizeof className);
    EXPECT_STREQ(className, "App");

    auto applet = AppWindow::Create("formset");
    EXPECT_EQ(ApplicationWindow(), library);  // later ones are not the library's
    EXPECT_FALSE(IsWindowVisible(applet->HandleIfMade()));

    tevtest::MessageBoxCatcher catcher;
    EXPECT_EQ(ShowMessage("hhh"), IDOK);
    ASSERT_EQ(catcher.Boxes().size(), 1u);
    EXPECT_EQ(catcher.Boxes()[0].owner, library->HandleIfMade());
    EXPECT_EQ(catcher.Boxes()[0].title, "tarnwick");
    EXPECT_EQ(catcher.Boxes()[0].text, "hhh");
    EXPECT_EQ(kMessageBoxStyle, 0x10000u);
}

TEST_F(ApplicationTest, WithoutTheApplicationWindowBoxesHaveNoOwnerAndNoTitle) {
    ASSERT_EQ(ApplicationWindow(), nullptr);
    tevtest::MessageBoxCatcher catcher;
    ShowMessage("form no");
    ASSERT_EQ(catcher.Boxes().size(), 1u);
    EXPECT_EQ(catcher.Boxes()[0].owner, nullptr);
    EXPECT_EQ(catcher.Boxes()[0].title, "");
    EXPECT_EQ(catcher.Boxes()[0].text, "form no");
}

struct Counter {
    int count = 0;
    static bool Hook(void* context, Message& message) {
        if (message.id == WM_APP + 7) ++static_cast<Counter*>(context)->count;
        return false;
    }
};

TEST_F(ApplicationTest, ProcessingDispatchesEveryWaitingMessage) {
    auto app = CreateLibraryApplicationWindow();
    Counter counter;
    app->AttachHook(&Counter::Hook, &counter);
    for (int i = 0; i < 5; ++i) PostMessageA(app->HandleIfMade(), WM_APP + 7, 0, 0);
    EXPECT_EQ(ProcessMessages(), std::nullopt);
    EXPECT_EQ(counter.count, 5);
    MSG left;
    EXPECT_FALSE(PeekMessageA(&left, nullptr, 0, 0, PM_NOREMOVE));
}

TEST_F(ApplicationTest, AQuitIsReportedAndLeftPendingNotDispatched) {
    auto app = CreateLibraryApplicationWindow();
    Counter counter;
    app->AttachHook(&Counter::Hook, &counter);
    PostMessageA(app->HandleIfMade(), WM_APP + 7, 0, 0);
    PostQuitMessage(7);
    EXPECT_EQ(ProcessMessages(), 7);
    EXPECT_EQ(counter.count, 1);
    // Still there for the host's own loop.
    MSG quit;
    ASSERT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 7u);
    EXPECT_FALSE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

// The settings dialog's modal loop: wait, then process, until a result is set.
TEST_F(ApplicationTest, AModalLoopOfWaitAndProcessEndsWhenItsFormCloses) {
    auto applet = AppWindow::Create("formset");
    auto form = Form::Create(applet, "Form2");
    auto button = Button::Create(form, "OK");
    int modalResult = 0;
    button->SetClickHandler([&] { modalResult = 10; });
    form->SetVisible(true);
    form->Handle();
    PostMessageA(button->HandleIfMade(), BM_CLICK, 0, 0);
    const DWORD start = GetTickCount();
    while (modalResult == 0 && GetTickCount() - start < 2000) {
        WaitForMessage();
        if (ProcessMessages()) break;
    }
    EXPECT_EQ(modalResult, 10);
}

}  // namespace
}  // namespace tevpng::ui
