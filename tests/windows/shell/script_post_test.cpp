// PostScriptToHost: the one way the plug-in talks back to its host page.
#include <gtest/gtest.h>

#include "host_page.h"
#include "image/display_window.h"

namespace tevpng::image {
namespace {

TEST(PostScriptToHost, PostsOnlyInModesZeroAndOneWithTheModeAsWParam) {
    auto page = tevtest::HostPage::TopLevel();
    static const char kText[] = "RunScript(\"msrp$\")\r\n";
    const struct {
        int mode;
        bool posts;
    } cases[] = {{0, true}, {1, true}, {2, false}, {-1, false}, {256, false}};
    for (const auto& c : cases) {
        page->ClearReceived();
        PostScriptToHost(page->Window(), kText, c.mode);
        tevtest::PumpMessagesFor(30);
        const auto scripts = page->ReceivedOf(kScriptMessage);
        ASSERT_EQ(scripts.size(), c.posts ? 1u : 0u) << "mode " << c.mode;
        if (!c.posts) continue;
        EXPECT_EQ(scripts[0].wParam, static_cast<WPARAM>(c.mode));
        EXPECT_EQ(scripts[0].lParam, reinterpret_cast<LPARAM>(kText))
            << "the text is the caller's, not a copy";
        EXPECT_EQ(scripts[0].text, kText);
    }
}

}  // namespace
}  // namespace tevpng::image
