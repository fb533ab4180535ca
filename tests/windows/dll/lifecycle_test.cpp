// Load, binding, Draw and unload, driven through the exports as a host drives them.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "dib_surface.h"
#include "files.h"
#include "host_page.h"
#include "message_box_catcher.h"
#include "plugin_dll.h"
#include "plugin_session.h"
#include "thread_windows.h"

namespace tevtest {
namespace {

constexpr char kScript[] =
    "CreateScript(\"SCRIPT\",\"msrp$\")\r\n"
    "Param$='SCRIPT:1='+'MoveObject(\"Hot1\",\"10,20,300,200\")'\r\n"
    "SetObjectParam(\"msrp$\",\"Param$\")\r\n"
    "RunScript(\"msrp$\")\r\n";

// Each test starts without settings files and leaves none behind.
class Lifecycle : public testing::Test {
protected:
    void SetUp() override { RemoveSettingsFiles(); }
    void TearDown() override { RemoveSettingsFiles(); }

    static std::string TempIni(const std::string& module = "tevpng") { return TempDirectory() + module + ".ini"; }
    static std::string HostIni(const std::string& module = "tevpng") {
        return PluginDll::TestProgramDirectory() + module + ".ini";
    }
    static void RemoveSettingsFiles() {
        for (const char* module : {"tevpng", "a"}) {
            RemoveFile(TempIni(module));
            RemoveFile(HostIni(module));
        }
    }
    static std::string SettingsText(const std::string& hot, int useHot) {
        return "[setting]\r\nusehot=" + std::to_string(useHot) + "\r\nhot=" + hot + "\r\n";
    }
    // What the `test` command shows: the hotspot name line and the settings path.
    static std::vector<std::string> TestBoxes(PluginDll& dll) {
        MessageBoxCatcher catcher;
        dll.test();
        return catcher.Texts();
    }
};

TEST_F(Lifecycle, LoadMakesTheTarnwickWindowAndUnloadTakesItAway) {
    auto dll = std::make_unique<PluginDll>();
    ASSERT_TRUE(dll->Loaded());
    auto apps = ThreadWindows("App");
    ASSERT_EQ(apps.size(), 1u);
    EXPECT_EQ(TextOf(apps[0]), "tarnwick");
    EXPECT_FALSE(IsWindowVisible(apps[0]));

    MessageBoxCatcher catcher;
    dll->test();
    ASSERT_EQ(catcher.Boxes().size(), 2u);
    EXPECT_EQ(catcher.Boxes()[0].owner, apps[0]);
    EXPECT_EQ(catcher.Boxes()[0].title, "tarnwick");

    dll.reset();
    EXPECT_TRUE(ThreadWindows("App").empty());
}

TEST_F(Lifecycle, BindingMakesOneHiddenChildStyleDisplayWindow) {
    PluginDll dll;
    auto page = HostPage::ChildOfParent();
    dll.SetParentWindow(page->Window());
    dll.SetParentWindow(page->Window());
    auto forms = ThreadWindows("Form");
    ASSERT_EQ(forms.size(), 1u) << "a second SetParentWindow keeps the display window";
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(forms[0], GWL_STYLE)), 0x46000000u);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(forms[0], GWL_EXSTYLE)), 0x00010000u);
    EXPECT_FALSE(IsWindowVisible(forms[0]));
    EXPECT_EQ(ThreadWindows("App").size(), 2u) << "tarnwick and the display window's applet";
    EXPECT_EQ(ThreadWindows("STATIC").size(), 2u) << "the two labels";
}

TEST_F(Lifecycle, EmbeddedPageReadsTheTemporarySettingsFile) {
    WriteFileBytes(TempIni(), SettingsText("FromTemp", 1));
    WriteFileBytes(HostIni(), SettingsText("FromHost", 1));
    PluginDll dll;
    auto page = HostPage::ChildOfParent();
    dll.SetParentWindow(page->Window());
    EXPECT_EQ(TestBoxes(dll), (std::vector<std::string>{"hotspotname FromTemp", TempIni()}));
    EXPECT_EQ(ReadFileBytes(HostIni()), SettingsText("FromHost", 1)) << "host file untouched";
}

TEST_F(Lifecycle, TopLevelPageCopiesTheTemporaryFileNextToTheHostFirst) {
    const std::string temp = SettingsText("FromTemp", 0) + "; a comment kept byte for byte\r\n";
    WriteFileBytes(TempIni(), temp);
    WriteFileBytes(HostIni(), SettingsText("FromHost", 1));
    PluginDll dll;
    auto page = HostPage::TopLevel();
    dll.SetParentWindow(page->Window());
    EXPECT_EQ(ReadFileBytes(HostIni()), temp);
    EXPECT_EQ(TestBoxes(dll), (std::vector<std::string>{"hotspotname FromTemp", HostIni()}));
}

TEST_F(Lifecycle, TopLevelPageWithoutTemporaryFileReadsTheHostFileUnchanged) {
    WriteFileBytes(HostIni(), SettingsText("FromHost", 1));
    PluginDll dll;
    auto page = HostPage::TopLevel();
    dll.SetParentWindow(page->Window());
    EXPECT_EQ(ReadFileBytes(HostIni()), SettingsText("FromHost", 1));
    EXPECT_EQ(TestBoxes(dll), (std::vector<std::string>{"hotspotname FromHost", HostIni()}));
}

TEST_F(Lifecycle, SecondBindingSwitchesTheSettingsFileWithTheNewPage) {
    WriteFileBytes(TempIni(), SettingsText("FromTemp", 1));
    PluginDll dll;
    auto child = HostPage::ChildOfParent();
    auto topLevel = HostPage::TopLevel();
    dll.SetParentWindow(child->Window());
    EXPECT_EQ(TestBoxes(dll)[1], TempIni());
    dll.SetParentWindow(topLevel->Window());
    EXPECT_EQ(TestBoxes(dll)[1], HostIni());
    EXPECT_EQ(ThreadWindows("Form").size(), 1u);
}

TEST_F(Lifecycle, DllNamedWithTwoDotsUsesTheNameBeforeTheFirstDot) {
    const std::string copy = PluginDll::TestProgramDirectory() + "a.b.dll";
    ASSERT_TRUE(CopyFileA(PluginDll::DefaultPath().c_str(), copy.c_str(), FALSE));
    WriteFileBytes(TempIni("a"), SettingsText("FromA", 1));
    {
        PluginDll dll(copy);
        ASSERT_TRUE(dll.Loaded());
        auto page = HostPage::ChildOfParent();
        dll.SetParentWindow(page->Window());
        EXPECT_EQ(TestBoxes(dll), (std::vector<std::string>{"hotspotname FromA", TempIni("a")}));
    }
    DeleteFileA(copy.c_str());
}

// The commands that need the binding do nothing before it (makesprite and test,
// which need none, work); afterwards everything works as usual.
TEST_F(Lifecycle, EverythingBeforeBindingIsHarmless) {
    PluginDll dll;
    DibSurface surface(64, 64);
    constexpr std::uint32_t kPage = 0x00102030;
    surface.Fill([](int, int) { return kPage; });
    MessageBoxCatcher catcher;
    const std::string solid = TempDirectory() + "tevpng-unbound.png";
    WriteFileBytes(solid, AsString(SolidPng(8, 8, {200, 100, 50})));
    const std::string saved = TempDirectory() + "tevpng-unbound-saved.png";
    dll.SetFile(solid.c_str());
    dll.SetData(10);
    dll.SetData(10);
    for (auto command : {dll.loadpng, dll.restorepng, dll.resizepng, dll.loadalpha, dll.setalphacolor,
                         dll.shide, dll.makesprite, dll.spriteanim, dll.setcurframe})
        command();
    EXPECT_EQ(catcher.Boxes().size(), 1u) << "only makesprite's, on a list without its final #";
    dll.SetFile(saved.c_str());
    dll.savescaled();
    EXPECT_FALSE(FileExists(saved)) << "nothing to save, and no box";
    EXPECT_EQ(catcher.Boxes().size(), 1u);
    EXPECT_EQ(dll.Draw(surface.Dc(), 10, 20, 30, 40), 0);
    EXPECT_EQ(dll.Draw(nullptr, -1, -1, -1, -1), 0);
    EXPECT_EQ(surface.Pixel(12, 22), kPage);
    EXPECT_TRUE(ThreadWindows("Form").empty()) << "no command makes the display window";
    PumpMessagesFor(150);  // no script timer was started either

    auto page = HostPage::ChildOfParent();
    dll.SetParentWindow(page->Window());
    PumpMessagesFor(50);
    EXPECT_EQ(LayoutRequests(*page), 0u) << "restorepng before binding posted nothing";
    dll.SetData(0);
    dll.setalphacolor();
    dll.SetFile(solid.c_str());
    dll.loadpng();
    dll.Draw(surface.Dc(), 10, 20, 30, 40);
    EXPECT_EQ(surface.Pixel(12, 22) & 0xFFFFFF, 0xC86432u);
    RemoveFile(solid);
}

TEST_F(Lifecycle, DrawRecordsTheRectangleAndStartsTheScriptTimer) {
    WriteFileBytes(TempIni(), SettingsText("Hot1", 1));
    PluginDll dll;
    auto page = HostPage::ChildOfParent();
    dll.SetParentWindow(page->Window());
    // No image yet, and DCs that are no DCs: nothing is painted, but the
    // rectangle is recorded and the script still goes out.
    EXPECT_EQ(dll.Draw(nullptr, 1, 2, 3, 4), 0);
    EXPECT_EQ(dll.Draw(reinterpret_cast<HDC>(0x1234), 10, 20, 300, 200), 0);
    ASSERT_TRUE(PumpMessagesUntil([&] { return page->Count(kScriptMessage) > 0; }, 2000));
    auto scripts = page->ReceivedOf(kScriptMessage);
    ASSERT_EQ(scripts.size(), 1u);
    EXPECT_EQ(scripts[0].wParam, 1u);
    EXPECT_EQ(scripts[0].text, kScript);
}

TEST_F(Lifecycle, UnloadWithAPendingScriptTickThenLoadAgain) {
    WriteFileBytes(TempIni(), SettingsText("Hot1", 1));
    auto page = HostPage::ChildOfParent();
    {
        PluginDll dll;
        dll.SetParentWindow(page->Window());
        dll.Draw(nullptr, 10, 20, 300, 200);  // the tick is due in 70 ms
    }
    PumpMessagesFor(250);  // a tick into unloaded code would crash here
    EXPECT_EQ(page->Count(kScriptMessage), 0u);
    EXPECT_TRUE(ThreadWindows("Form").empty());
    EXPECT_TRUE(ThreadWindows("App").empty());

    PluginDll again;
    again.SetParentWindow(page->Window());
    again.Draw(nullptr, 10, 20, 300, 200);
    ASSERT_TRUE(PumpMessagesUntil([&] { return page->Count(kScriptMessage) > 0; }, 2000));
    EXPECT_EQ(page->ReceivedOf(kScriptMessage)[0].text, kScript);
}

}  // namespace
}  // namespace tevtest
