// The display window as a host page meets it: how it is made, the hotspot
// script its timer posts after Draw, the settings reload, the background
// capture, the mouse-button box, and what its destruction releases.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "plugin_session.h"

namespace tevtest {
namespace {

std::string Script(const std::string& name, const std::string& rect) {
    return "CreateScript(\"SCRIPT\",\"msrp$\")\r\n"
           "Param$='SCRIPT:1='+'MoveObject(\"" +
           name + "\",\"" + rect +
           "\")'\r\n"
           "SetObjectParam(\"msrp$\",\"Param$\")\r\n"
           "RunScript(\"msrp$\")\r\n";
}

// Today as a day count since 30 December 1899, the time of day as fraction.
double DaysSince1899() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    FILETIME asFileTime;
    SystemTimeToFileTime(&now, &asFileTime);
    ULARGE_INTEGER ticks;
    ticks.LowPart = asFileTime.dwLowDateTime;
    ticks.HighPart = asFileTime.dwHighDateTime;
    return static_cast<double>(ticks.QuadPart) / 864000000000.0 - 109205.0;
}

class DisplayWindow : public PluginSession {
protected:
    // Binds again, so that the settings written meanwhile are read.
    void UseHotspot(const std::string& name) {
        WriteSettings(name, true);
        dll.SetParentWindow(page->Window());
    }
    std::vector<ReceivedMessage> Scripts() const { return page->ReceivedOf(kScriptMessage); }
    bool WaitForScripts(size_t count) {
        return PumpMessagesUntil([&] { return Scripts().size() >= count; }, 3000);
    }
};

TEST_F(DisplayWindow, IsMadeHiddenEnabledUnlayeredWithItsClientSizeAndPlace) {
    HWND form = DisplayForm();
    EXPECT_EQ(TextOf(form), "");
    EXPECT_FALSE(IsWindowVisible(form));
    EXPECT_TRUE(IsWindowEnabled(form)) << "the whole style written at binding drops WS_DISABLED";
    EXPECT_EQ(GetWindowLongA(form, GWL_EXSTYLE) & WS_EX_LAYERED, 0);
    RECT client{};
    GetClientRect(form, &client);
    EXPECT_EQ(client.right, 478);
    EXPECT_EQ(client.bottom, 104);
    RECT bounds{};
    GetWindowRect(form, &bounds);
    EXPECT_EQ(bounds.left, 327);
    EXPECT_EQ(bounds.top, 144);
    EXPECT_NE(GetAncestor(form, GA_PARENT), page->Window()) << "nothing moves it into the host page";
}

TEST_F(DisplayWindow, BelongsToAHiddenAppletCaptionedWithTheTime) {
    HWND applet = GetWindow(DisplayForm(), GW_OWNER);
    ASSERT_NE(applet, nullptr);
    EXPECT_EQ(ClassNameOf(applet), "App");
    EXPECT_FALSE(IsWindowVisible(applet));
    const std::string caption = TextOf(applet);
    EXPECT_NEAR(std::strtod(caption.c_str(), nullptr), DaysSince1899(), 0.01) << caption;
}

// The form's font is what its controls show their text with.
TEST_F(DisplayWindow, UsesMsSansSerifAndHasNoCloseCommand) {
    HWND form = DisplayForm();
    auto font = reinterpret_cast<HFONT>(SendMessageA(LabelAt(form, 112, 16), WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr);
    LOGFONTA logFont{};
    GetObjectA(font, sizeof logFont, &logFont);
    EXPECT_STREQ(logFont.lfFaceName, "MS Sans Serif");
    HMENU menu = GetSystemMenu(form, FALSE);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND), static_cast<UINT>(-1));
}

TEST_F(DisplayWindow, HasTwoEmptyLabels) {
    HWND form = DisplayForm();
    HWND status = LabelAt(form, 112, 16);
    HWND second = LabelAt(form, 224, 24);
    ASSERT_NE(status, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(TextOf(status), "");
    EXPECT_EQ(TextOf(second), "");
}

TEST_F(DisplayWindow, TenDrawsInOnePeriodSendOneScriptWithTheLastRectangle) {
    UseHotspot("Hot1");
    for (int i = 0; i < 10; ++i) dll.Draw(nullptr, i, 2 * i, 300 + i, 200 + i);
    ASSERT_TRUE(WaitForScripts(1));
    PumpMessagesFor(300);
    const auto scripts = Scripts();
    ASSERT_EQ(scripts.size(), 1u) << "the timer stops after the tick that sent";
    EXPECT_EQ(scripts[0].wParam, 1u);
    EXPECT_EQ(scripts[0].text, Script("Hot1", "9,18,309,209"));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(scripts[0].lParam)), scripts[0].text)
        << "the text stays until the next script";
}

// A Draw does not restart a running timer: drawing faster than the period
// still lets the scripts through, each with the rectangle of its moment.
TEST_F(DisplayWindow, SteadyDrawingStillSendsScripts) {
    UseHotspot("Hot1");
    for (int i = 1; i <= 25; ++i) {
        dll.Draw(nullptr, i, 0, 10, 10);
        PumpMessagesFor(20);
    }
    const size_t sentWhileDrawing = Scripts().size();
    EXPECT_GE(sentWhileDrawing, 1u);
    ASSERT_TRUE(PumpMessagesUntil([&] { return Scripts().size() > 0 && Scripts().back().text == Script("Hot1", "25,0,10,10"); }, 3000));
    int previous = 0;
    for (const ReceivedMessage& script : Scripts()) {
        const size_t at = script.text.find("\",\"", script.text.find("MoveObject(")) + 3;
        const int x = std::atoi(script.text.c_str() + at);
        EXPECT_GT(x, previous) << "one script per period, each newer than the last";
        previous = x;
    }
}

TEST_F(DisplayWindow, NumbersAreWrittenWithTheirSign) {
    UseHotspot("Hot1");
    const struct {
        std::int32_t x, y, w, h;
        const char* text;
    } cases[] = {{-5, 20, 300, 200, "-5,20,300,200"},
                 {0, -1, -300, 0, "0,-1,-300,0"},
                 {INT32_MIN, INT32_MAX, INT32_MIN, 7, "-2147483648,2147483647,-2147483648,7"}};
    for (const auto& c : cases) {
        page->ClearReceived();
        dll.Draw(nullptr, c.x, c.y, c.w, c.h);
        ASSERT_TRUE(WaitForScripts(1)) << c.text;
        EXPECT_EQ(Scripts()[0].text, Script("Hot1", c.text));
    }
}

TEST_F(DisplayWindow, HotspotOffSendsNothingHoweverOftenDrawRuns) {
    WriteSettings("Hot1", false);
    dll.SetParentWindow(page->Window());
    for (int i = 0; i < 20; ++i) {
        dll.Draw(nullptr, i, i, 10, 10);
        PumpMessagesFor(20);
    }
    PumpMessagesFor(300);
    EXPECT_EQ(page->Count(kScriptMessage), 0u);
}

// With the hotspot off the timer keeps ticking, so a settings reload alone
// lets the pending script out, with the name just read.
TEST_F(DisplayWindow, SettingsReloadTurnsTheHotspotOnForThePendingDraw) {
    dll.Draw(nullptr, 10, 20, 300, 200);
    PumpMessagesFor(300);
    ASSERT_EQ(page->Count(kScriptMessage), 0u);
    WriteSettings("Late", true);
    SendMessageA(DisplayForm(), kReloadSettingsMessage, 0, 0);
    ASSERT_TRUE(WaitForScripts(1));
    EXPECT_EQ(Scripts()[0].text, Script("Late", "10,20,300,200"));
}

TEST_F(DisplayWindow, SettingsReloadChangesTheNameOfTheNextScript) {
    UseHotspot("Hot1");
    dll.Draw(nullptr, 1, 2, 3, 4);
    ASSERT_TRUE(WaitForScripts(1));
    WriteSettings("Hot2", true);
    PostMessageA(DisplayForm(), kReloadSettingsMessage, 0, 0);
    PumpMessagesFor(50);
    dll.Draw(nullptr, 5, 6, 7, 8);
    ASSERT_TRUE(WaitForScripts(2));
    EXPECT_EQ(Scripts()[1].text, Script("Hot2", "5,6,7,8"));
    WriteSettings("Hot2", false);
    SendMessageA(DisplayForm(), kReloadSettingsMessage, 0, 0);
    dll.Draw(nullptr, 5, 6, 7, 8);
    PumpMessagesFor(300);
    EXPECT_EQ(Scripts().size(), 2u);
}

TEST_F(DisplayWindow, MouseButtonPressesShowHhh) {
    HWND form = DisplayForm();
    for (UINT press : {WM_LBUTTONDOWN, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN, WM_RBUTTONDBLCLK, WM_MBUTTONDOWN,
                       WM_MBUTTONDBLCLK}) {
        boxes.Clear();
        SendMessageA(form, press, 0, MAKELPARAM(5, 5));
        ASSERT_EQ(boxes.Boxes().size(), 1u) << press;
        EXPECT_EQ(boxes.Boxes()[0].text, "hhh");
        EXPECT_EQ(boxes.Boxes()[0].title, "tarnwick");
    }
    boxes.Clear();
    for (UINT other : {WM_LBUTTONUP, WM_RBUTTONUP, WM_MOUSEMOVE}) SendMessageA(form, other, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(boxes.Boxes().empty());
}

// The host page with a pattern under the plug-in's rectangle.
class Capture : public DisplayWindow {
protected:
    static std::uint32_t PagePixel(int x, int y) {
        return static_cast<std::uint32_t>((x * 5) & 255) << 16 | static_cast<std::uint32_t>((y * 7) & 255) << 8 |
               static_cast<std::uint32_t>((x + y) & 255);
    }
    void PaintPage() {
        PumpMessagesFor(100);
        UpdateWindow(page->Window());
        DibSurface pattern(200, 150);
        pattern.Fill(PagePixel);
        HDC dc = GetDC(page->Window());
        BitBlt(dc, 0, 0, 200, 150, pattern.Dc(), 0, 0, SRCCOPY);
        ReleaseDC(page->Window(), dc);
        GdiFlush();
    }
};

TEST_F(Capture, CopiesTheHostPixelsUnderTheRectangleOntoTheShownWindow) {
    PaintPage();
    dll.Draw(nullptr, 10, 20, 50, 30);
    HWND form = DisplayForm();
    SendMessageA(form, kCaptureMessage, 0, 0);
    EXPECT_TRUE(IsWindowVisible(form));
    auto pixels = WindowPixels(form);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 50; ++x)
            ASSERT_EQ(pixels->Pixel(x, y) & 0xFFFFFF, PagePixel(10 + x, 20 + y)) << x << "," << y;

    // The window paints nothing of its own: a repaint keeps the capture.
    InvalidateRect(form, nullptr, FALSE);
    UpdateWindow(form);
    pixels = WindowPixels(form);
    EXPECT_EQ(pixels->Pixel(7, 9) & 0xFFFFFF, PagePixel(17, 29));
}

TEST_F(Capture, LoadAlphaBlendsTheImageOverTheCapturedPixels) {
    PaintPage();
    dll.Draw(nullptr, 10, 20, 50, 30);
    SendMessageA(DisplayForm(), kCaptureMessage, 0, 0);
    const Bytes png = RgbaPng(20, 10, [](int x, int y) {
        return RgbaPixel{static_cast<std::uint8_t>(x * 12), 200, static_cast<std::uint8_t>(y * 25),
                         static_cast<std::uint8_t>(x * 13 + y)};
    });
    dll.SetFile(scratch.Write("alpha.png", png).c_str());
    dll.loadalpha();
    const Decoded image = DecodeBytes(png);
    auto pixels = WindowPixels(DisplayForm());
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x) {
            ASSERT_EQ(pixels->Pixel(x, y) & 0xFFFFFF, BlendOver(image.At(x, y), PagePixel(10 + x, 20 + y)))
                << x << "," << y;
        }
}

// A rectangle that makes no bitmap stops the capture before the window is shown.
TEST_F(Capture, EmptyOrHugeRectangleCapturesNothing) {
    HWND form = DisplayForm();
    for (auto [w, h] : {std::pair{0, 30}, {50, 0}, {-50, 30}, {100000, 100000}}) {
        dll.Draw(nullptr, 10, 20, w, h);
        SendMessageA(form, kCaptureMessage, 0, 0);
        EXPECT_FALSE(IsWindowVisible(form)) << w << "x" << h;
    }
    dll.SetFile(scratch.Write("blue.png", SolidPng(4, 4, {30, 60, 240})).c_str());
    dll.loadalpha();  // no usable background: the image alone
    EXPECT_TRUE(boxes.Boxes().empty());
}

// Destroying the display window releases the sprite frames and its applet;
// the plug-in goes on without them.
TEST_F(DisplayWindow, DestructionReleasesTheFramesAndTheApplet) {
    LoadPng(scratch.Write("current.png", SolidPng(4, 4, {250, 250, 250})));
    const std::string list = scratch.Write("f.png", SolidPng(4, 4, {200, 10, 10})) + "#";
    dll.SetFile(list.c_str());
    dll.SetData(1);
    dll.makesprite();
    dll.spriteanim();
    ASSERT_EQ(DrawOnto(4, 4, 0, 0, 0)->Pixel(1, 1) & 0xFFFFFF, 0xC80A0Au);
    ASSERT_EQ(ThreadWindows("App").size(), 2u);

    DestroyWindow(DisplayForm());
    EXPECT_EQ(DisplayForm(), nullptr);
    const auto apps = ThreadWindows("App");
    ASSERT_EQ(apps.size(), 1u);
    EXPECT_EQ(TextOf(apps[0]), "tarnwick");
    EXPECT_EQ(DrawOnto(4, 4, 0, 0, 0)->Pixel(1, 1) & 0xFFFFFF, 0xFAFAFAu) << "no frames: the current image";

    for (auto command : {dll.loadpng, dll.restorepng, dll.resizepng, dll.loadalpha, dll.shide, dll.makesprite})
        command();
    dll.SetParentWindow(page->Window());
    PumpMessagesFor(150);
}

TEST_F(DisplayWindow, DestructionWithoutASpriteReleasesOnlyTheApplet) {
    DestroyWindow(DisplayForm());
    const auto apps = ThreadWindows("App");
    ASSERT_EQ(apps.size(), 1u);
    EXPECT_EQ(TextOf(apps[0]), "tarnwick");
}

// Nothing starts the reparenting timer: the window stays out of the host page
// and no capture is made on its own.
TEST_F(DisplayWindow, NeverMovesIntoTheHostPageByItself) {
    LoadPng(scratch.Write("current.png", SolidPng(4, 4, {250, 250, 250})));
    dll.Draw(nullptr, 10, 20, 30, 40);
    PumpMessagesFor(400);
    HWND form = DisplayForm();
    EXPECT_NE(GetAncestor(form, GA_PARENT), page->Window());
    EXPECT_FALSE(IsWindowVisible(form));
    EXPECT_TRUE(boxes.Boxes().empty());
}

}  // namespace
}  // namespace tevtest
