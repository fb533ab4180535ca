// The shared test support itself: later suites rely on it to see message
// boxes, host messages and drawn pixels.
#include <gtest/gtest.h>

#include "dib_surface.h"
#include "host_page.h"
#include "message_box_catcher.h"

namespace tevtest {
namespace {

TEST(TestSupport, MessageBoxesAreRecordedAndClosed) {
    auto page = HostPage::TopLevel();
    MessageBoxCatcher catcher;
    int result = MessageBoxA(page->Window(), "the text", "the title", MB_SETFOREGROUND);
    EXPECT_EQ(result, IDOK);
    ASSERT_EQ(catcher.Boxes().size(), 1u);
    EXPECT_EQ(catcher.Boxes()[0].owner, page->Window());
    EXPECT_EQ(catcher.Boxes()[0].title, "the title");
    EXPECT_EQ(catcher.Boxes()[0].text, "the text");
}

TEST(TestSupport, HostPagesRecordPostedScriptText) {
    for (auto& page : {HostPage::TopLevel(), HostPage::ChildOfParent()}) {
        ASSERT_NE(page->Window(), nullptr);
        EXPECT_EQ(GetParent(page->Window()), page->Parent());
        page->ClearReceived();
        static const char script[] = "line\r\n";
        PostMessageA(page->Window(), kScriptMessage, 1, reinterpret_cast<LPARAM>(script));
        PostMessageA(page->Window(), WM_SIZE, 0, 0);
        ASSERT_TRUE(PumpMessagesUntil([&] { return page->Count(WM_SIZE) > 0; }, 2000));
        EXPECT_EQ(page->ReceivedOf(WM_SIZE)[0].lParam, 0);
        auto scripts = page->ReceivedOf(kScriptMessage);
        ASSERT_EQ(scripts.size(), 1u);
        EXPECT_EQ(scripts[0].wParam, 1u);
        EXPECT_EQ(scripts[0].text, script);
    }
}

TEST(TestSupport, DibSurfaceReadsBackWhatGdiDrew) {
    DibSurface surface(8, 4);
    ASSERT_TRUE(surface.Valid());
    surface.Fill([](int x, int y) { return 0xAA000000u | (x << 8) | y; });
    EXPECT_EQ(surface.Pixel(3, 2), 0xAA000302u);
    RECT box{2, 1, 4, 3};
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    FillRect(surface.Dc(), &box, red);
    DeleteObject(red);
    EXPECT_EQ(surface.Pixel(2, 1) & 0xFFFFFF, 0xFF0000u);  // top-down: row 1 is the second row
    EXPECT_EQ(surface.Pixel(0, 0), 0xAA000000u);
}

}  // namespace
}  // namespace tevtest
