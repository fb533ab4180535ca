// The settings dialog behind Interface, driven as a user drives it: a thread
// timer, ticking inside the dialog's own modal loop, finds the form, types,
// ticks the check box and clicks OK or Cansel.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "dialog_driver.h"
#include "dib_surface.h"
#include "files.h"
#include "host_page.h"
#include "message_box_catcher.h"
#include "plugin_dll.h"
#include "thread_windows.h"

namespace tevtest {
namespace {

// Types `text` into an edit box key by key, after selecting what it holds.
void TypeInto(HWND edit, const std::string& text) {
    SetFocus(edit);
    SendMessageA(edit, EM_SETSEL, 0, -1);
    SendMessageA(edit, WM_CHAR, VK_BACK, 0);
    for (char c : text) SendMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 0);
}

bool IsChecked(HWND check) { return SendMessageA(check, BM_GETCHECK, 0, 0) == BST_CHECKED; }

std::wstring WideTextOf(HWND window) {
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
}

LOGFONTA FontOf(HWND window) {
    LOGFONTA font{};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0)), sizeof font, &font);
    return font;
}

std::vector<HWND> VisibleForm2Windows() {
    std::vector<HWND> forms;
    for (HWND form : ThreadWindows("Form"))
        if (TextOf(form) == "Form2") forms.push_back(form);
    return forms;
}

// "Кнопка" (button) in Windows-1251, a hotspot name typed on a Russian keyboard.
constexpr char kCyrillicName[] = "\xCA\xED\xEE\xEF\xEA\xE0";

class Dialog : public testing::Test {
protected:
    void SetUp() override {
        RemoveSettingsFiles();
        ASSERT_TRUE(dll_.Loaded());
    }
    void TearDown() override {
        RemoveSettingsFiles();
        MSG quit;  // a failed quit test must not end the tests after it
        while (PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }

    static std::string TempIni() { return TempDirectory() + "tevpng.ini"; }
    static std::string HostIni() { return PluginDll::TestProgramDirectory() + "tevpng.ini"; }
    static void RemoveSettingsFiles() {
        RemoveFile(TempIni());
        RemoveFile(HostIni());
    }
    static std::string SettingsText(const std::string& hot, int useHot) {
        return "[setting]\r\nusehot=" + std::to_string(useHot) + "\r\nhot=" + hot + "\r\n";
    }

    // Opens the dialog through the export (of `dll`, or of the fixture's) and runs
    // `step` from its modal loop; returns what Interface returned.
    std::int32_t RunDialog(DialogDriver::Step step, PluginDll* dll = nullptr) {
        DialogDriver driver(std::move(step));
        const std::int32_t result = (dll ? *dll : dll_).Interface();
        EXPECT_TRUE(driver.Finished()) << "Interface returned before the dialog was driven to its end";
        EXPECT_FALSE(driver.GaveUp()) << "the dialog did not close";
        EXPECT_TRUE(VisibleForm2Windows().empty()) << "the form is destroyed when Interface returns";
        return result;
    }

    // The hotspot name the plug-in holds in memory, as its `test` command shows it.
    std::string HotspotNameInMemory() {
        MessageBoxCatcher catcher;
        dll_.test();
        const auto texts = catcher.Texts();
        return texts.empty() ? std::string("(no message)") : texts[0];
    }

    PluginDll dll_;
};

// ---- OK, Cansel and the settings file ----------------------------------------

struct OkCase {
    const char* name;
    std::optional<std::string> fileBefore;  // the temporary settings file, if any
    std::string typed;
    bool clickCheck;
    std::string fileAfter;
    std::string nameInMemory;  // as typed: the file's own rules strip leading blanks there only
};

class DialogOk : public Dialog, public testing::WithParamInterface<OkCase> {};

TEST_P(DialogOk, StoresTheCheckBoxAndTheNameAsTyped) {
    const OkCase& c = GetParam();
    if (c.fileBefore) WriteFileBytes(TempIni(), *c.fileBefore);
    EXPECT_EQ(RunDialog([&](const DialogWindows& dialog) {
                  TypeInto(dialog.hotspotEdit, c.typed);
                  if (c.clickCheck) Click(dialog.check);
                  Click(dialog.ok);
                  return true;
              }),
              0);
    EXPECT_EQ(ReadFileBytes(TempIni()), c.fileAfter);
    EXPECT_EQ(HotspotNameInMemory(), "hotspotname " + c.nameInMemory);
    EXPECT_FALSE(FileExists(HostIni())) << "only the temporary file is written";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DialogOk,
    testing::Values(OkCase{"MissingFileIsCreated", std::nullopt, "Hot 1", true,
                           "[setting]\r\nusehot=1\r\nhot=Hot 1\r\n", "Hot 1"},
                    OkCase{"BlanksKeptInMemory", std::nullopt, "  Hot1 ", false,
                           "[setting]\r\nusehot=0\r\nhot=Hot1 \r\n", "  Hot1 "},
                    OkCase{"EmptyNameSavedEmpty", "[setting]\r\nusehot=5\r\nhot=Old\r\n", "", true,
                           "[setting]\r\nusehot=0\r\nhot=\r\n", ""},
                    OkCase{"CheckedStaysOneAfterFive", "[setting]\r\nusehot=5\r\nhot=Old\r\n", "New", false,
                           "[setting]\r\nusehot=1\r\nhot=New\r\n", "New"},
                    OkCase{"CyrillicNameKeepsItsBytes", std::nullopt, kCyrillicName, true,
                           std::string("[setting]\r\nusehot=1\r\nhot=") + kCyrillicName + "\r\n",
                           kCyrillicName}),
    [](const testing::TestParamInfo<OkCase>& info) { return std::string(info.param.name); });

TEST_F(Dialog, CanselWritesNothingButTheTemporaryFileBecomesTheSettings) {
    // A top-level page reads the file next to the host; the dialog reads the temporary one.
    WriteFileBytes(HostIni(), SettingsText("FromHost", 0));
    auto page = HostPage::TopLevel();
    dll_.SetParentWindow(page->Window());
    ASSERT_EQ(HotspotNameInMemory(), "hotspotname FromHost");
    dll_.Draw(nullptr, 10, 20, 300, 200);
    PumpMessagesFor(250);
    ASSERT_EQ(page->Count(kScriptMessage), 0u) << "the host's file has the hotspot off";
    const std::string temp = SettingsText("FromTemp", 1) + "; kept byte for byte\r\n";
    WriteFileBytes(TempIni(), temp);

    std::string shownName;
    bool shownChecked = false;
    RunDialog([&](const DialogWindows& dialog) {
        shownName = TextOf(dialog.hotspotEdit);
        shownChecked = IsChecked(dialog.check);
        TypeInto(dialog.hotspotEdit, "Typed");
        Click(dialog.check);
        Click(dialog.cansel);
        return true;
    });
    EXPECT_EQ(shownName, "FromTemp");
    EXPECT_TRUE(shownChecked);
    EXPECT_EQ(ReadFileBytes(TempIni()), temp);
    EXPECT_EQ(ReadFileBytes(HostIni()), SettingsText("FromHost", 0));
    EXPECT_EQ(HotspotNameInMemory(), "hotspotname FromTemp");

    // UseHotspot came from the temporary file too: the script now goes out.
    dll_.Draw(nullptr, 10, 20, 300, 200);
    EXPECT_TRUE(PumpMessagesUntil([&] { return page->Count(kScriptMessage) > 0; }, 2000));
}

TEST_F(Dialog, WithoutTemporaryFileItShowsTheCurrentSettings) {
    WriteFileBytes(HostIni(), SettingsText("FromHost", 1));
    auto page = HostPage::TopLevel();
    dll_.SetParentWindow(page->Window());
    std::string shownName;
    bool shownChecked = false;
    RunDialog([&](const DialogWindows& dialog) {
        shownName = TextOf(dialog.hotspotEdit);
        shownChecked = IsChecked(dialog.check);
        Click(dialog.ok);
        return true;
    });
    EXPECT_EQ(shownName, "FromHost");
    EXPECT_TRUE(shownChecked);
    EXPECT_EQ(ReadFileBytes(TempIni()), SettingsText("FromHost", 1));
}

TEST_F(Dialog, TheNamesFollowTheLibrarysOwnFileName) {
    const std::string copy = PluginDll::TestProgramDirectory() + "a.b.dll";
    const std::string copyIni = TempDirectory() + "a.ini";
    ASSERT_TRUE(CopyFileA(PluginDll::DefaultPath().c_str(), copy.c_str(), FALSE));
    RemoveFile(copyIni);
    std::string shownName;
    {
        PluginDll renamed(copy);
        ASSERT_TRUE(renamed.Loaded());
        RunDialog(
            [&](const DialogWindows& dialog) {
                shownName = TextOf(dialog.pluginEdit);
                TypeInto(dialog.hotspotEdit, "HotA");
                Click(dialog.ok);
                return true;
            },
            &renamed);
    }
    DeleteFileA(copy.c_str());
    EXPECT_EQ(shownName, "a");
    EXPECT_EQ(ReadFileBytes(copyIni), SettingsText("HotA", 0));
    EXPECT_FALSE(FileExists(TempIni()));
    RemoveFile(copyIni);
}

// ---- the modal loop ------------------------------------------------------------

TEST_F(Dialog, NestedInterfaceReturnsAtOnceAndLeavesTheDialogOpen) {
    HWND form = nullptr;
    std::int32_t nestedResult = -1;
    bool stillOpen = false;
    size_t forms = 0;
    RunDialog([&](const DialogWindows& dialog) {
        form = dialog.form;
        nestedResult = dll_.Interface();
        stillOpen = IsWindow(form) && IsWindowVisible(form);
        forms = VisibleForm2Windows().size();
        Click(dialog.cansel);
        return true;
    });
    EXPECT_EQ(nestedResult, 0);
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(forms, 1u);
    EXPECT_FALSE(IsWindow(form));
}

TEST_F(Dialog, TheHostIsServedWhileTheDialogIsOpen) {
    WriteFileBytes(TempIni(), SettingsText("Hot1", 1));
    auto page = HostPage::ChildOfParent();
    dll_.SetParentWindow(page->Window());
    dll_.SetFile(PngSuitePath("basn6a08.png").c_str());
    dll_.loadpng();
    DibSurface surface(64, 64);
    surface.Fill([](int, int) { return 0x00FFFFFFu; });
    page->ClearReceived();

    enum class Phase { Repaint, Draw, AwaitScript } phase = Phase::Repaint;
    bool painted = false;
    bool drew = false;
    size_t scriptsWhileOpen = 0;
    RunDialog([&](const DialogWindows& dialog) {
        switch (phase) {
            case Phase::Repaint:
                InvalidateRect(page->Window(), nullptr, TRUE);
                phase = Phase::Draw;
                return false;
            case Phase::Draw:
                if (page->Count(WM_PAINT) == 0) return false;
                painted = true;
                EXPECT_EQ(dll_.Draw(surface.Dc(), 10, 20, 300, 200), 0);
                for (int y = 20; y < 52; ++y)
                    for (int x = 10; x < 42; ++x) drew = drew || surface.Pixel(x, y) != 0x00FFFFFFu;
                phase = Phase::AwaitScript;
                return false;
            case Phase::AwaitScript:
                scriptsWhileOpen = page->Count(kScriptMessage);
                if (scriptsWhileOpen == 0) return false;
                Click(dialog.cansel);
                return true;
        }
        return true;
    });
    EXPECT_TRUE(painted) << "the host's paint went through the dialog's loop";
    EXPECT_TRUE(drew) << "Draw painted the image while the dialog was open";
    ASSERT_EQ(scriptsWhileOpen, 1u) << "the script timer ticked while the dialog was open";
    EXPECT_NE(page->ReceivedOf(kScriptMessage)[0].text.find("MoveObject(\"Hot1\",\"10,20,300,200\")"),
              std::string::npos);
}

TEST_F(Dialog, QuitWhileOpenClosesItAndReachesTheCallersQueue) {
    std::int32_t result = -1;
    {
        DialogDriver driver([](const DialogWindows& dialog) {
            TypeInto(dialog.hotspotEdit, "NotSaved");
            PostQuitMessage(7);
            return true;
        });
        result = dll_.Interface();
        EXPECT_TRUE(driver.Finished());
        EXPECT_FALSE(driver.GaveUp());
    }
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(VisibleForm2Windows().empty());
    MSG quit{};
    ASSERT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
        << "the quit is left for the caller";
    EXPECT_EQ(quit.wParam, 7u);
    EXPECT_FALSE(FileExists(TempIni())) << "closed as Cansel closes it";

    // Nothing is left open: the next Interface shows the dialog again.
    bool shownAgain = false;
    RunDialog([&](const DialogWindows& dialog) {
        shownAgain = true;
        Click(dialog.cansel);
        return true;
    });
    EXPECT_TRUE(shownAgain);
}

TEST_F(Dialog, QuitAlreadyPendingClosesItAtOnceAndStaysPending) {
    PostQuitMessage(3);
    DialogDriver watchdog([](const DialogWindows&) { return false; });
    EXPECT_EQ(dll_.Interface(), 0);
    EXPECT_FALSE(watchdog.GaveUp());
    EXPECT_TRUE(VisibleForm2Windows().empty());
    MSG quit{};
    ASSERT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 3u);
    EXPECT_FALSE(FileExists(TempIni()));
}

struct OutsideClose {
    const char* name;
    void (*close)(HWND form);
};

class DialogClosedFromOutside : public Dialog, public testing::WithParamInterface<OutsideClose> {};

TEST_P(DialogClosedFromOutside, EndsTheLoopWithoutWriting) {
    const size_t appletsBefore = ThreadWindows("App").size();
    RunDialog([&](const DialogWindows& dialog) {
        TypeInto(dialog.hotspotEdit, "NotSaved");
        GetParam().close(dialog.form);
        return true;
    });
    EXPECT_FALSE(FileExists(TempIni()));
    EXPECT_EQ(ThreadWindows("App").size(), appletsBefore) << "the dialog's applet went with it";
    bool shownAgain = false;
    RunDialog([&](const DialogWindows& dialog) {
        shownAgain = true;
        Click(dialog.cansel);
        return true;
    });
    EXPECT_TRUE(shownAgain);
}

INSTANTIATE_TEST_SUITE_P(
    Ways, DialogClosedFromOutside,
    testing::Values(OutsideClose{"CloseMessage", [](HWND form) { SendMessageA(form, WM_CLOSE, 0, 0); }},
                    OutsideClose{"DestroyWindow", [](HWND form) { DestroyWindow(form); }},
                    OutsideClose{"ApplicationWindowDestroyed",
                                 [](HWND form) { DestroyWindow(GetWindow(form, GW_OWNER)); }}),
    [](const testing::TestParamInfo<OutsideClose>& info) { return std::string(info.param.name); });

// ---- what the form looks like ------------------------------------------------

struct ControlLayout {
    const char* what;
    HWND DialogWindows::*window;   // null for a label, found by its caption
    const char* caption;           // Windows-1251 bytes
    const wchar_t* shown;          // the same caption as the screen shows it
    int left, top, width, height;  // -1: sized by the control itself
    int fontHeight;
    bool bold;
};

const ControlLayout kControls[] = {
    {"HotspotNameLabel", nullptr, "\xC8\xEC\xFF Hotspot", L"\u0418\u043C\u044F Hotspot", 5, 77, -1, -1, 12,
     true},
    {"TitleLabel", nullptr,
     "\xCF\xEE\xE4\xE4\xE5\xF0\xE6\xEA\xE0 \xF1\xEE\xE1\xFB\xF2\xE8\xE9 \xEC\xFB\xF8\xEA\xE8",
     L"\u041F\u043E\u0434\u0434\u0435\u0440\u0436\u043A\u0430 \u0441\u043E\u0431\u044B\u0442\u0438\u0439 "
     L"\u043C\u044B\u0448\u043A\u0438",
     53, 5, -1, -1, 18, true},
    {"HintLabel1", nullptr,
     "\xD3\xEA\xE0\xE7\xE0\xED\xED\xFB\xE9 hotspot \xE1\xF3\xE4\xE5\xF2 "
     "\xEF\xE5\xF0\xE5\xEC\xE5\xF9\xE0\xF2\xF1\xFF "
     "\xE2\xEC\xE5\xF1\xF2\xE5 \xF1 \xEF\xEB\xE0\xE3\xE8\xED\xEE\xEC",
     L"\u0423\u043A\u0430\u0437\u0430\u043D\u043D\u044B\u0439 hotspot \u0431\u0443\u0434\u0435\u0442 "
     L"\u043F\u0435\u0440\u0435\u043C\u0435\u0449\u0430\u0442\u0441\u044F "
     L"\u0432\u043C\u0435\u0441\u0442\u0435 "
     L"\u0441 \u043F\u043B\u0430\u0433\u0438\u043D\u043E\u043C",
     13, 37, -1, -1, 12, true},
    {"HintLabel2", nullptr,
     "\xCD\xE5\xEE\xE1\xF5\xEE\xE4\xE8\xEC\xFB\xE5 \xE4\xE5\xE9\xF1\xF2\xE2\xE8\xFF "
     "\xEF\xF0\xEE\xEF\xE8\xF1\xFB\xE2\xE0\xF2\xFC \xE2 \xE5\xE3\xEE \xF1\xEA\xF0\xE8\xEF\xF2\xE5",
     L"\u041D\u0435\u043E\u0431\u0445\u043E\u0434\u0438\u043C\u044B\u0435 "
     L"\u0434\u0435\u0439\u0441\u0442\u0432"
     L"\u0438\u044F \u043F\u0440\u043E\u043F\u0438\u0441\u044B\u0432\u0430\u0442\u044C \u0432 "
     L"\u0435\u0433\u043E "
     L"\u0441\u043A\u0440\u0438\u043F\u0442\u0435",
     29, 53, -1, -1, 12, true},
    {"PluginNameLabel", nullptr, "\xC8\xEC\xFF \xEF\xEB\xE0\xE3\xE8\xED\xE0",
     L"\u0418\u043C\u044F \u043F\u043B\u0430\u0433\u0438\u043D\u0430", 157, 77, -1, -1, 12, true},
    {"OkButton", &DialogWindows::ok, "OK", L"OK", 21, 101, 137, 22, 14, true},
    {"CanselButton", &DialogWindows::cansel, "Cansel", L"Cansel", 157, 101, 136, 22, 14, true},
    {"HotspotNameEdit", &DialogWindows::hotspotEdit, "", L"", 69, 69, 81, 22, 14, false},
    {"UseHotspotCheck", &DialogWindows::check, "", L"", 277, 5, 20, 18, 14, true},
    {"PluginNameEdit", &DialogWindows::pluginEdit, "tevpng", L"tevpng", 229, 69, 73, 22, 14, true},
};

HWND LabelWithCaption(const DialogWindows& dialog, const std::string& caption) {
    for (HWND label : dialog.labels)
        if (TextOf(label) == caption) return label;
    return nullptr;
}

// Everything about the open form that a look at the screen shows.
void ExpectLaidOutAsDesigned(const DialogWindows& dialog) {
    // The form: a topmost window at (420, 203) with a 316 x 384 client area.
    RECT window{};
    RECT client{};
    GetWindowRect(dialog.form, &window);
    GetClientRect(dialog.form, &client);
    EXPECT_EQ(window.left, 420);
    EXPECT_EQ(window.top, 203);
    EXPECT_EQ(client.right, 316);
    EXPECT_EQ(client.bottom, 384);
    const auto style = static_cast<DWORD>(GetWindowLongA(dialog.form, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(GetWindowLongA(dialog.form, GWL_EXSTYLE));
    EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0u);
    EXPECT_TRUE(exStyle & WS_EX_TOPMOST);
    EXPECT_TRUE(IsWindowEnabled(dialog.form));
    EXPECT_EQ(GetMenuState(GetSystemMenu(dialog.form, FALSE), SC_CLOSE, MF_BYCOMMAND), static_cast<UINT>(-1))
        << "no Close in the system menu";

    // Its hidden owner, the dialog's own application window.
    HWND applet = GetWindow(dialog.form, GW_OWNER);
    EXPECT_EQ(TextOf(applet), "formset");
    EXPECT_FALSE(IsWindowVisible(applet));

    // Two panels; the top one holds every control. (The form's own font shows
    // in the controls that keep it, the buttons.)
    ASSERT_NE(dialog.bottomPanel, nullptr);
    ASSERT_NE(dialog.topPanel, nullptr);
    const RECT bottom = DialogWindows::BoundsInParent(dialog.bottomPanel);
    const RECT top = DialogWindows::BoundsInParent(dialog.topPanel);
    EXPECT_EQ(bottom.left, 0);
    EXPECT_EQ(bottom.top, 144);
    EXPECT_EQ(bottom.right - bottom.left, 313);
    EXPECT_EQ(bottom.bottom - bottom.top, 233);
    EXPECT_EQ(top.left, 0);
    EXPECT_EQ(top.right - top.left, 313);
    EXPECT_EQ(top.bottom - top.top, 145);

    int previousId = GetDlgCtrlID(dialog.topPanel);
    EXPECT_LT(GetDlgCtrlID(dialog.bottomPanel), previousId) << "bottom panel made first";
    for (const ControlLayout& control : kControls) {
        SCOPED_TRACE(control.what);
        HWND handle = control.window ? dialog.*control.window : LabelWithCaption(dialog, control.caption);
        ASSERT_NE(handle, nullptr);
        EXPECT_EQ(GetParent(handle), dialog.topPanel);
        EXPECT_GT(GetDlgCtrlID(handle), previousId) << "made in the order of the table";
        previousId = GetDlgCtrlID(handle);
        EXPECT_EQ(TextOf(handle), control.caption);
        EXPECT_EQ(WideTextOf(handle), control.shown);
        const RECT bounds = DialogWindows::BoundsInParent(handle);
        EXPECT_EQ(bounds.left, control.left);
        EXPECT_EQ(bounds.top, control.top);
        if (control.width >= 0) {
            EXPECT_EQ(bounds.right - bounds.left, control.width);
        } else {
            EXPECT_GT(bounds.right - bounds.left, 20) << "sized to its text";
        }
        if (control.height >= 0) {
            EXPECT_EQ(bounds.bottom - bounds.top, control.height);
        }
        const LOGFONTA font = FontOf(handle);
        EXPECT_STREQ(font.lfFaceName, "Arial");
        EXPECT_EQ(font.lfHeight, control.fontHeight);
        EXPECT_EQ(font.lfWeight, control.bold ? FW_BOLD : FW_NORMAL);
    }
    EXPECT_FALSE(GetWindowLongA(dialog.hotspotEdit, GWL_STYLE) & ES_READONLY);
    EXPECT_TRUE(GetWindowLongA(dialog.pluginEdit, GWL_STYLE) & ES_READONLY);
}

TEST_F(Dialog, FormIsLaidOutAsDesigned) {
    ASSERT_EQ(GetACP(), 1251u)
        << "the captions are Windows-1251: the tests run with a Russian ANSI code page";
    RunDialog([&](const DialogWindows& dialog) {
        ExpectLaidOutAsDesigned(dialog);
        Click(dialog.cansel);
        return true;
    });
}

TEST_F(Dialog, TheReadOnlyEditRefusesTypingAndBothEditsUseTheWindowColour) {
    std::string pluginName;
    COLORREF backgrounds[2] = {CLR_INVALID, CLR_INVALID};
    RunDialog([&](const DialogWindows& dialog) {
        TypeInto(dialog.pluginEdit, "other");
        pluginName = TextOf(dialog.pluginEdit);
        HWND edits[2] = {dialog.hotspotEdit, dialog.pluginEdit};
        for (int i = 0; i < 2; ++i) {
            RedrawWindow(edits[i], nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
            RECT client{};
            GetClientRect(edits[i], &client);
            HDC dc = GetDC(edits[i]);
            backgrounds[i] = GetPixel(dc, client.right - 3, client.bottom / 2);  // right of any text
            ReleaseDC(edits[i], dc);
        }
        Click(dialog.cansel);
        return true;
    });
    EXPECT_EQ(pluginName, "tevpng");
    EXPECT_EQ(backgrounds[0], GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(backgrounds[1], GetSysColor(COLOR_WINDOW));
}

}  // namespace
}  // namespace tevtest
