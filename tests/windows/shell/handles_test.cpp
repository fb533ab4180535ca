// The owners of Win32 handles: a factory owns a handle only when the system gave one, and an
// owner gives back exactly what it was given.
#include "win32/handles.h"

#include <gtest/gtest.h>

#include "host_page.h"

namespace tevpng::win32 {
namespace {

// What a failed acquisition leaves: an empty owner, so nothing is given back later.
TEST(Handles, FailedAcquisitionsOwnNothing) {
    HWND gone = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(gone, nullptr);
    DestroyWindow(gone);
    const MemoryDc dc(CreateCompatibleDC(nullptr));
    ASSERT_TRUE(dc);
    const BitmapHandle bitmap(CreateCompatibleBitmap(dc.Get(), 4, 4));

    EXPECT_FALSE(BeginPaintDc(gone)) << "no EndPaint may follow a failed BeginPaint";
    EXPECT_FALSE(BeginPaintDc(nullptr));
    EXPECT_FALSE(GetWindowDc(gone));
    EXPECT_FALSE(SelectInto(nullptr, bitmap.Get()));
    EXPECT_FALSE(SelectInto(dc.Get(), nullptr));
    EXPECT_FALSE(SetWindowTimer(gone, 1, 100, nullptr));
}

int g_ticks = 0;
void CALLBACK CountTick(HWND, UINT, UINT_PTR, DWORD) { ++g_ticks; }

// Without a window SetTimer makes a thread timer whose id this owner would not know: none
// is made, so none runs on unowned.
TEST(Handles, NoWindowNoTimer) {
    g_ticks = 0;
    EXPECT_FALSE(SetWindowTimer(nullptr, 1, 10, CountTick));
    tevtest::PumpMessagesFor(100);
    EXPECT_EQ(g_ticks, 0);
}

// A class that is registered already cannot be registered again; the failed registration
// must not take the existing class with it when it goes.
TEST(Handles, AFailedRegistrationLeavesTheExistingClass) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "TevHandlesTestClass";
    WNDCLASSA found{};
    {
        WindowClassRegistration first = RegisterWindowClass(windowClass);
        ASSERT_TRUE(first);
        EXPECT_FALSE(RegisterWindowClass(windowClass));
        EXPECT_TRUE(GetClassInfoA(windowClass.hInstance, windowClass.lpszClassName, &found));
    }
    EXPECT_FALSE(GetClassInfoA(windowClass.hInstance, windowClass.lpszClassName, &found))
        << "the first registration unregisters the class when it goes";
}

// The DC gets its previous bitmap back before the selected one is deleted.
TEST(Handles, ASelectionPutsThePreviousObjectBack) {
    const MemoryDc dc(CreateCompatibleDC(nullptr));
    ASSERT_TRUE(dc);
    const HGDIOBJ original = GetCurrentObject(dc.Get(), OBJ_BITMAP);
    const BitmapHandle bitmap(CreateCompatibleBitmap(dc.Get(), 4, 4));
    ASSERT_TRUE(bitmap);
    {
        const Selection selection = SelectInto(dc.Get(), bitmap.Get());
        ASSERT_TRUE(selection);
        EXPECT_EQ(GetCurrentObject(dc.Get(), OBJ_BITMAP), bitmap.Get());
    }
    EXPECT_EQ(GetCurrentObject(dc.Get(), OBJ_BITMAP), original);
}

TEST(Handles, AWindowTimerIsKilledWithItsOwner) {
    const WindowHandle window(
        CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(window);
    g_ticks = 0;
    {
        const WindowTimerId timer = SetWindowTimer(window.Get(), 7, 10, CountTick);
        ASSERT_TRUE(timer);
        tevtest::PumpMessagesUntil([] { return g_ticks > 0; }, 2000);
        ASSERT_GT(g_ticks, 0);
    }
    const int afterKill = g_ticks;
    tevtest::PumpMessagesFor(100);
    EXPECT_EQ(g_ticks, afterKill);
}

}  // namespace
}  // namespace tevpng::win32
