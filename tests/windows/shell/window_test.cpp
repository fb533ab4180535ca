// Window objects of the layer: cached properties, style setters, hooks,
// handlers, controls, and objects released with their window.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host_page.h"
#include "ui/application.h"
#include "ui/controls.h"
#include "ui/layer.h"

namespace tevpng::ui {
namespace {

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override { app_ = AppWindow::Create("tarnwick"); }
    void TearDown() override {
        app_.reset();
        Shutdown();
    }

    std::shared_ptr<AppWindow> app_;
};

std::string ClassOf(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

// Counts the messages a style change sends, to see whether Win32 was called at all.
struct StyleCallCounter {
    int styleChanging = 0;
    int frameChanges = 0;
    static bool Hook(void* context, Message& message) {
        auto* self = static_cast<StyleCallCounter*>(context);
        if (message.id == WM_STYLECHANGING) ++self->styleChanging;
        if (message.id == WM_NCCALCSIZE || message.id == WM_WINDOWPOSCHANGING) ++self->frameChanges;
        return false;
    }
};

TEST_F(WindowTest, CachedPropertiesAreAppliedWhenTheHandleIsMade) {
    auto form = Form::Create(app_, "cached caption");
    form->SetBounds(10, 20, 300, 200);
    form->SetEnabled(false);
    form->SetStyle(form->Style() & ~static_cast<DWORD>(WS_MAXIMIZEBOX));
    EXPECT_EQ(form->HandleIfMade(), nullptr);

    HWND window = form->Handle();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(ClassOf(window), "Form");
    EXPECT_EQ(GetWindow(window, GW_OWNER), app_->HandleIfMade());
    char text[64] = {};
    GetWindowTextA(window, text, sizeof text);
    EXPECT_STREQ(text, "cached caption");
    RECT rect{};
    GetWindowRect(window, &rect);
    EXPECT_EQ(rect.left, 10);
    EXPECT_EQ(rect.top, 20);
    EXPECT_EQ(rect.right - rect.left, 300);
    EXPECT_EQ(rect.bottom - rect.top, 200);
    EXPECT_FALSE(IsWindowEnabled(window));
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_EQ(GetWindowLongA(window, GWL_STYLE) & WS_MAXIMIZEBOX, 0);
    EXPECT_EQ(form->Handle(), window);  // made once
}

TEST_F(WindowTest, AStyleEqualToTheCachedOneMakesNoCall) {
    auto form = Form::Create(app_, "");
    StyleCallCounter counter;
    form->AttachHook(&StyleCallCounter::Hook, &counter);
    ASSERT_NE(form->Handle(), nullptr);
    counter = {};

    form->SetStyle(form->Style());
    form->SetExStyle(form->ExStyle());
    EXPECT_EQ(counter.styleChanging, 0);
    EXPECT_EQ(counter.frameChanges, 0);

    const DWORD changed = form->Style() & ~static_cast<DWORD>(WS_MINIMIZEBOX | WS_MAXIMIZEBOX);
    form->SetStyle(changed);
    EXPECT_EQ(counter.styleChanging, 1);
    EXPECT_GT(counter.frameChanges, 0);  // the frame refresh
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(form->HandleIfMade(), GWL_STYLE)), changed);
}

TEST_F(WindowTest, ClientSizeIsRequestedSizePlusTheCurrentFrame) {
    auto form = Form::Create(app_, "Form2");
    form->SetClientSize(316, 384);
    RECT client{};
    GetClientRect(form->HandleIfMade(), &client);
    EXPECT_EQ(client.right, 316);
    EXPECT_EQ(client.bottom, 384);
    EXPECT_GT(form->Width(), 316);  // a captioned window has a frame

    form->RemoveBorder();
    form->SetClientWidth(478);
    form->SetClientHeight(104);
    GetClientRect(form->HandleIfMade(), &client);
    EXPECT_EQ(client.right, 478);
    EXPECT_EQ(client.bottom, 104);
    EXPECT_EQ(form->Width(), 478);
    EXPECT_EQ(form->Height(), 104);
}

TEST_F(WindowTest, LeftAndTopMoveWithoutResizing) {
    auto form = Form::Create(app_, "");
    form->SetBounds(0, 0, 200, 100);
    form->Handle();
    form->SetLeft(327);
    form->SetTop(144);
    EXPECT_EQ(form->Left(), 327);
    EXPECT_EQ(form->Top(), 144);
    EXPECT_EQ(form->Width(), 200);
    EXPECT_EQ(form->Height(), 100);
}

// The display window's creation order: disabled and layered first, then the
// border goes; replacing the whole styles afterwards drops both.
TEST_F(WindowTest, RemoveBorderKeepsDisabledAndLayeredUntilWholeStylesAreWritten) {
    auto form = Form::Create(app_, "");
    form->SetLeft(327);
    form->SetTop(144);
    form->SetVisible(false);
    form->SetEnabled(false);
    form->SetWindowAlpha(1);
    HWND window = form->HandleIfMade();
    ASSERT_NE(window, nullptr);
    BYTE alpha = 0;
    DWORD flags = 0;
    ASSERT_TRUE(GetLayeredWindowAttributes(window, nullptr, &alpha, &flags));
    EXPECT_EQ(alpha, 1);
    EXPECT_EQ(flags, static_cast<DWORD>(LWA_ALPHA));

    form->RemoveBorder();
    const LONG style = GetWindowLongA(window, GWL_STYLE);
    const LONG exStyle = GetWindowLongA(window, GWL_EXSTYLE);
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
    EXPECT_NE(style & WS_POPUP, 0);
    EXPECT_NE(style & WS_DISABLED, 0);
    EXPECT_NE(exStyle & WS_EX_LAYERED, 0);
    EXPECT_EQ(exStyle & (WS_EX_CONTROLPARENT | WS_EX_CLIENTEDGE | WS_EX_WINDOWEDGE | WS_EX_DLGMODALFRAME), 0);

    form->SetStyle(0x46000000);
    form->SetExStyle(0x00010000);
    EXPECT_EQ(GetWindowLongA(window, GWL_STYLE), 0x46000000);
    EXPECT_EQ(GetWindowLongA(window, GWL_EXSTYLE), 0x00010000);
    EXPECT_TRUE(form->Enabled());
    EXPECT_FALSE(form->Visible());
}

TEST_F(WindowTest, WindowAlphaOf255RemovesTheLayering) {
    auto form = Form::Create(app_, "");
    form->SetWindowAlpha(128);
    EXPECT_NE(GetWindowLongA(form->HandleIfMade(), GWL_EXSTYLE) & WS_EX_LAYERED, 0);
    EXPECT_EQ(form->WindowAlpha(), 128);
    form->SetWindowAlpha(255);
    EXPECT_EQ(GetWindowLongA(form->HandleIfMade(), GWL_EXSTYLE) & WS_EX_LAYERED, 0);
    EXPECT_EQ(form->ExStyle() & WS_EX_LAYERED, 0u);
}

TEST_F(WindowTest, VisibleFlagChangesAtOnceAndShowsTheWindow) {
    auto form = Form::Create(app_, "");
    form->SetVisible(true);
    EXPECT_TRUE(form->Visible());
    EXPECT_EQ(form->HandleIfMade(), nullptr);  // cached only
    form->Handle();
    EXPECT_TRUE(IsWindowVisible(form->HandleIfMade()));
    form->SetVisible(false);
    EXPECT_FALSE(form->Visible());
    EXPECT_FALSE(IsWindowVisible(form->HandleIfMade()));
}

// Hooks record the order they ran in; `handles` says which one handles the message.
struct RecordingHook {
    std::vector<int>* calls;
    int name;
    bool handles;
    static bool Hook(void* context, Message& message) {
        auto* self = static_cast<RecordingHook*>(context);
        if (message.id != WM_SETTEXT && message.id != WM_APP + 1) return false;
        self->calls->push_back(self->name);
        if (self->handles) message.result = 42;
        return self->handles;
    }
};

TEST_F(WindowTest, HooksRunNewestFirstAndAHandledMessageEndsTheChain) {
    auto form = Form::Create(app_, "before");
    std::vector<int> calls;
    RecordingHook first{&calls, 1, false};
    RecordingHook second{&calls, 2, true};
    RecordingHook third{&calls, 3, false};
    form->AttachHook(&RecordingHook::Hook, &first);
    form->AttachHook(&RecordingHook::Hook, &second);
    form->AttachHook(&RecordingHook::Hook, &third);
    form->AttachHook(&RecordingHook::Hook, &third);  // attached once

    EXPECT_EQ(form->Perform(WM_APP + 1), 42);
    EXPECT_EQ(calls, (std::vector<int>{3, 2}));

    // Handled: the default processing (which would change the caption) is skipped.
    calls.clear();
    form->Perform(WM_SETTEXT, 0, reinterpret_cast<LPARAM>("after"));
    EXPECT_EQ(calls, (std::vector<int>{3, 2}));
    char text[32] = {};
    GetWindowTextA(form->HandleIfMade(), text, sizeof text);
    EXPECT_STREQ(text, "before");

    // Not handled by anyone: every hook runs and the default processing too.
    form->DetachHook(&RecordingHook::Hook, &second);
    calls.clear();
    form->Perform(WM_SETTEXT, 0, reinterpret_cast<LPARAM>("after"));
    EXPECT_EQ(calls, (std::vector<int>{3, 1}));
    GetWindowTextA(form->HandleIfMade(), text, sizeof text);
    EXPECT_STREQ(text, "after");
}

TEST_F(WindowTest, ClickHandlerRunsOnTheSixButtonPresses) {
    auto form = Form::Create(app_, "");
    int clicks = 0;
    form->SetClickHandler([&] { ++clicks; });
    const UINT presses[] = {WM_LBUTTONDOWN,   WM_LBUTTONDBLCLK, WM_RBUTTONDOWN,
                            WM_RBUTTONDBLCLK, WM_MBUTTONDOWN,   WM_MBUTTONDBLCLK};
    for (UINT message : presses) form->Perform(message);
    EXPECT_EQ(clicks, 6);
    const UINT others[] = {WM_LBUTTONUP, WM_RBUTTONUP, WM_MBUTTONUP, WM_MOUSEMOVE};
    for (UINT message : others) form->Perform(message);
    EXPECT_EQ(clicks, 6);
}

TEST_F(WindowTest, PaintHandlerGetsThePaintDcAndConsumesThePaint) {
    auto form = Form::Create(app_, "");
    form->SetBounds(50, 50, 200, 150);
    form->SetVisible(true);
    int paints = 0;
    bool canvasWasPaintDc = false;
    form->SetPaintHandler([&](HDC dc) {
        ++paints;
        canvasWasPaintDc = form->GetCanvas().Dc() == dc;
    });
    HWND window = form->Handle();
    InvalidateRect(window, nullptr, TRUE);
    UpdateWindow(window);
    EXPECT_GE(paints, 1);
    EXPECT_TRUE(canvasWasPaintDc);
    EXPECT_FALSE(GetUpdateRect(window, nullptr, FALSE));  // validated by BeginPaint/EndPaint
    // Outside painting the canvas is a DC of its own.
    Canvas canvas = form->GetCanvas();
    EXPECT_NE(canvas.Dc(), nullptr);
    EXPECT_EQ(WindowFromDC(canvas.Dc()), window);
}

TEST_F(WindowTest, ObjectsRegisteredWithAWindowAreReleasedWithIt) {
    auto form = Form::Create(app_, "");
    auto tracked = std::make_shared<int>(7);
    std::weak_ptr<int> watch = tracked;
    form->ReleaseWithWindow(std::move(tracked));
    auto label = Label::Create(form, "label");
    std::weak_ptr<Label> labelWatch = label;
    label.reset();
    form->Handle();
    EXPECT_FALSE(watch.expired());
    EXPECT_FALSE(labelWatch.expired());

    form->Destroy();
    EXPECT_TRUE(watch.expired());
    EXPECT_TRUE(labelWatch.expired());
    EXPECT_TRUE(form->Destroyed());
    EXPECT_EQ(form->Handle(), nullptr);  // not made again
}

// The display window's WM_DESTROY hook releases its hidden parent window.
TEST_F(WindowTest, AWindowMayReleaseItsOwnerWhileBeingDestroyed) {
    auto applet = AppWindow::Create("applet");
    auto form = Form::Create(applet, "");
    struct Releaser {
        std::shared_ptr<AppWindow>* applet;
        static bool Hook(void* context, Message& message) {
            if (message.id == WM_DESTROY) static_cast<Releaser*>(context)->applet->reset();
            return false;
        }
    } releaser{&applet};
    form->AttachHook(&Releaser::Hook, &releaser);
    HWND formWindow = form->Handle();
    HWND appletWindow = applet->HandleIfMade();

    form->Destroy();
    EXPECT_EQ(applet, nullptr);
    EXPECT_FALSE(IsWindow(formWindow));
    EXPECT_FALSE(IsWindow(appletWindow));
}

TEST_F(WindowTest, ControlsAreMadeWithTheirParentAndTakeItsFont) {
    auto form = Form::Create(app_, "");
    form->SetFont({"Arial", 14, true});
    auto panel = Panel::Create(form);
    auto label = Label::Create(panel, "text", 5, 77);
    EXPECT_EQ(label->HandleIfMade(), nullptr);
    EXPECT_EQ(label->Font(), (FontSpec{"Arial", 14, true}));

    form->Handle();
    HWND labelWindow = label->HandleIfMade();
    ASSERT_NE(labelWindow, nullptr);
    EXPECT_EQ(GetParent(labelWindow), panel->HandleIfMade());
    EXPECT_EQ(GetParent(panel->HandleIfMade()), form->HandleIfMade());
    EXPECT_EQ(ClassOf(labelWindow), "Static");
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(labelWindow, WM_GETFONT, 0, 0)), label->FontObject());
    LOGFONTA font{};
    GetObjectA(label->FontObject(), sizeof font, &font);
    EXPECT_STREQ(font.lfFaceName, "Arial");
    EXPECT_EQ(font.lfHeight, 14);
    EXPECT_EQ(font.lfWeight, FW_BOLD);
    EXPECT_EQ(label->Left(), 5);
    EXPECT_EQ(label->Top(), 77);

    // Made at once under a parent that already exists.
    auto button = Button::Create(panel, "OK");
    EXPECT_NE(button->HandleIfMade(), nullptr);
    EXPECT_EQ(button->Height(), 22);
}

TEST_F(WindowTest, FontFaceIsKeptToWhatAFontCanHold) {
    auto form = Form::Create(app_, "");
    form->SetFontFace(std::string(40, 'f'));
    EXPECT_EQ(form->Font().face, std::string(LF_FACESIZE - 1, 'f'));
}

SIZE TextExtent(HFONT font, const std::string& text) {
    HDC screen = GetDC(nullptr);
    HGDIOBJ previous = SelectObject(screen, font);
    RECT rect{};
    DrawTextA(screen, text.c_str(), -1, &rect, DT_CALCRECT | DT_NOPREFIX);
    SelectObject(screen, previous);
    ReleaseDC(nullptr, screen);
    return {rect.right, rect.bottom};
}

TEST_F(WindowTest, LabelsResizeToTheirTextWhenTheTextChanges) {
    auto form = Form::Create(app_, "");
    auto label = Label::Create(form, "", 112, 16);
    form->Handle();
    EXPECT_EQ(label->Width(), 0);

    label->SetText("load png");
    const SIZE extent = TextExtent(label->FontObject(), "load png");
    EXPECT_GT(extent.cx, 0);
    EXPECT_EQ(label->Width(), extent.cx);
    EXPECT_EQ(label->Height(), extent.cy);
    EXPECT_EQ(label->Left(), 112);
    char text[32] = {};
    GetWindowTextA(label->HandleIfMade(), text, sizeof text);
    EXPECT_STREQ(text, "load png");

    const int shortWidth = label->Width();
    label->SetText("load png, and then a much longer text");
    EXPECT_GT(label->Width(), shortWidth);
    const int lineHeight = label->Height();
    label->SetFontHeight(30);
    EXPECT_GT(label->Height(), lineHeight);
}

TEST_F(WindowTest, ButtonAndCheckBoxClicksReachTheirHandlers) {
    auto form = Form::Create(app_, "");
    form->SetBounds(100, 100, 320, 200);
    form->SetVisible(true);
    auto panel = Panel::Create(form);
    panel->SetBounds(0, 0, 313, 145);
    auto ok = Button::Create(panel, "OK");
    auto check = CheckBox::Create(panel, "");
    check->SetBounds(277, 5, 20, 18);
    ok->SetBounds(21, 101, 137, 22);
    int okClicks = 0;
    int checkClicks = 0;
    int panelClicks = 0;
    ok->SetClickHandler([&] { ++okClicks; });
    check->SetClickHandler([&] { ++checkClicks; });
    panel->SetClickHandler([&] { ++panelClicks; });
    form->Handle();

    SendMessageA(ok->HandleIfMade(), BM_CLICK, 0, 0);
    EXPECT_EQ(okClicks, 1);
    EXPECT_FALSE(check->Checked());
    SendMessageA(check->HandleIfMade(), BM_CLICK, 0, 0);
    EXPECT_EQ(checkClicks, 1);
    EXPECT_TRUE(check->Checked());
    EXPECT_EQ(panelClicks, 0);
}

TEST_F(WindowTest, CheckBoxStateIsCachedBeforeAndAfterTheWindow) {
    auto form = Form::Create(app_, "");
    auto check = CheckBox::Create(form, "");
    check->SetChecked(true);
    form->Handle();
    EXPECT_EQ(SendMessageA(check->HandleIfMade(), BM_GETCHECK, 0, 0), BST_CHECKED);
    SendMessageA(check->HandleIfMade(), BM_SETCHECK, BST_UNCHECKED, 0);
    form->Destroy();
    EXPECT_FALSE(check->Checked());  // the last state of the window
}

TEST_F(WindowTest, EditBoxesShowTheWindowColourAndReadTheirTypedText) {
    auto form = Form::Create(app_, "");
    auto panel = Panel::Create(form);
    auto name = EditBox::Create(panel, "Hot1");
    auto plugin = EditBox::Create(panel, "tevpng");
    plugin->SetReadOnly(true);
    form->Handle();
    EXPECT_NE(GetWindowLongA(plugin->HandleIfMade(), GWL_STYLE) & ES_READONLY, 0);
    EXPECT_EQ(GetWindowLongA(name->HandleIfMade(), GWL_STYLE) & ES_READONLY, 0);

    HDC screen = GetDC(nullptr);
    // A read-only edit box asks with WM_CTLCOLORSTATIC, an editable one with WM_CTLCOLOREDIT.
    const auto readOnlyBrush =
        SendMessageA(panel->HandleIfMade(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(screen),
                     reinterpret_cast<LPARAM>(plugin->HandleIfMade()));
    const auto editableBrush =
        SendMessageA(panel->HandleIfMade(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(screen),
                     reinterpret_cast<LPARAM>(name->HandleIfMade()));
    EXPECT_EQ(GetBkColor(screen), GetSysColor(COLOR_WINDOW));
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(reinterpret_cast<HBRUSH>(readOnlyBrush), GetSysColorBrush(COLOR_WINDOW));
    EXPECT_EQ(reinterpret_cast<HBRUSH>(editableBrush), GetSysColorBrush(COLOR_WINDOW));

    SetWindowTextA(name->HandleIfMade(), "typed");
    EXPECT_EQ(name->Text(), "typed");
    form->Destroy();
    EXPECT_EQ(name->Text(), "typed");
}

TEST_F(WindowTest, SystemMenuLosesItsCloseCommand) {
    auto form = Form::Create(app_, "Form2");
    form->RemoveCloseCommand();
    HMENU menu = GetSystemMenu(form->HandleIfMade(), FALSE);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(GetMenuState(menu, SC_CLOSE, MF_BYCOMMAND), static_cast<UINT>(-1));
}

TEST_F(WindowTest, AHandlerMayDestroyItsOwnForm) {
    auto form = Form::Create(app_, "");
    auto panel = Panel::Create(form);
    auto button = Button::Create(panel, "Cansel");
    std::weak_ptr<Button> watch = button;
    button->SetClickHandler([&] { form->Destroy(); });
    button.reset();
    form->Handle();
    SendMessageA(watch.lock()->HandleIfMade(), BM_CLICK, 0, 0);
    EXPECT_TRUE(form->Destroyed());
    EXPECT_TRUE(watch.expired());
}

TEST_F(WindowTest, DroppingTheLastReferenceDestroysTheWindow) {
    auto form = Form::Create(app_, "");
    auto label = Label::Create(form, "x");
    HWND formWindow = form->Handle();
    HWND labelWindow = label->HandleIfMade();
    label.reset();
    form.reset();
    EXPECT_FALSE(IsWindow(formWindow));
    EXPECT_FALSE(IsWindow(labelWindow));
    EXPECT_EQ(Window::LiveWindowCount(), 1);  // the application window
}

}  // namespace
}  // namespace tevpng::ui
