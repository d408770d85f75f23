#include <gtest/gtest.h>

#include <cstring>

#include <windows.h>
#include <shellapi.h>

#include "window/MessagePumping.h"
#include "window/ScreenGrab.h"
#include "window/TestClock.h"
#include "framework/Rect.h"
#include "framework/WindowDCs.h"
#include "framework/Wnd.h"
#include "framework/WndClass.h"
#include "widgets/TrayIconPosition.h"

namespace {

// A stand-in taskbar at (300, 400), 100 x 20, with a black 12 x 10 block at (40, 5).
class CFakeTray : public CWnd {
public:
    bool block = true;

protected:
    bool OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override
    {
        if (msg != WM_PAINT)
            return CWnd::OnWndMsg(msg, wParam, lParam, result);
        CPaintDC dc(m_hWnd);
        dc.FillSolidRect(CRect(0, 0, 100, 20), RGB(212, 208, 200));
        if (block)
            dc.FillSolidRect(CRect(40, 5, 52, 15), RGB(0, 0, 0));
        *result = 0;
        return true;
    }
};

CFakeTray* g_fakeTray = nullptr;
int g_lookups = 0; // one per search

HWND FindFakeTray()
{
    ++g_lookups;
    return g_fakeTray ? g_fakeTray->GetSafeHwnd() : nullptr;
}

// Pumps until the screen shows the area all light, or with the fake tray's black block: our own
// windows reach the screen only while this thread waits for messages, which on a loaded machine
// took longer than the 100 ms the search itself allows a taskbar.
::testing::AssertionResult ScreenShows(const CRect& area, bool block)
{
    const COLORREF light = RGB(212, 208, 200), black = RGB(0, 0, 0);
    if (windowtest::PumpUntilSeen(
            [&] {
                const auto shot = windowtest::GrabScreen(area);
                return shot &&
                       (block ? shot->CountOther({light, black}, shot->All()) == 0 && shot->Count(black) == 12 * 10
                              : shot->CountOther({light}, shot->All()) == 0);
            },
            30000))
        return ::testing::AssertionSuccess();
    char name[64] = {};
    GetClassNameA(WindowFromPoint(area.CenterPoint()), name, sizeof name);
    return ::testing::AssertionFailure() << "a \"" << name << "\" window shows there";
}

} // namespace

TEST(TrayIconPosition, AFoundPointIsKeptForItsPrecisionAndAMissIsEstimated)
{
    windowtest::CTestClock clock;
    CTrayIconPosition position;
    position.SetTrayWindowFinder(&FindFakeTray);
    POINT point = {-7, -7};
    EXPECT_EQ(-1, position.GetTrayIconPosition(&point)) << "no icon tracked";
    EXPECT_EQ(-7, point.x);
    position.SetTrackedIcon(reinterpret_cast<HWND>(1), 4);
    // Without a taskbar the search reads the screen's corner, where Wine's taskbar shows the
    // icons of the programs tested beside this one: a light cover of ours hides them.
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    CFakeTray cover;
    cover.block = false;
    ASSERT_TRUE(cover.CreateEx(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, AfxRegisterWndClass(0), "",
                               WS_POPUP | WS_VISIBLE, width - 100, height - 20, 100, 20, nullptr, nullptr));
    ASSERT_TRUE(ScreenShows(CRect(width - 40, height - 20, width, height), false));
    EXPECT_EQ(0, position.GetTrayIconPosition(&point)) << "no taskbar";
    EXPECT_EQ(CPoint(GetSystemMetrics(SM_CXSCREEN) - 40 + 6, GetSystemMetrics(SM_CYSCREEN) - 10), CPoint(point));

    CFakeTray tray;
    ASSERT_TRUE(tray.CreateEx(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, AfxRegisterWndClass(0), "", WS_POPUP | WS_VISIBLE, 300,
                              400, 100, 20, nullptr, nullptr));
    ASSERT_TRUE(ScreenShows(CRect(300, 400, 400, 420), true));
    g_fakeTray = &tray;
    g_lookups = 0;
    ASSERT_EQ(1, position.GetTrayIconPosition(&point));
    EXPECT_EQ(CPoint(300 + 47, 400 + 6), CPoint(point)) << "row 12, ninth column, less (1, 6)";

    tray.block = false;
    tray.RedrawWindow();
    ASSERT_TRUE(ScreenShows(CRect(300, 400, 400, 420), false));
    POINT cached = {};
    clock.Advance(9000);
    EXPECT_EQ(1, position.GetTrayIconPosition(&cached)) << "10 s at the default precision";
    clock.Advance(2000);
    EXPECT_EQ(1, position.GetTrayIconPosition(&cached, CTrayIconPosition::Low)) << "60 s at the low one";
    EXPECT_EQ(CPoint(point), CPoint(cached));
    EXPECT_EQ(1, g_lookups);
    // A miss gives the estimate and leaves the cache as it was: the next call searches again.
    EXPECT_EQ(0, position.GetTrayIconPosition(&cached));
    EXPECT_EQ(CPoint(300 + 6, 400 + 10), CPoint(cached));
    EXPECT_EQ(0, position.GetTrayIconPosition(&cached));
    EXPECT_EQ(3, g_lookups);
    g_fakeTray = nullptr;
}

TEST(TrayIconPosition, FindsItsProbeInWinesTaskbar)
{
    CWnd owner;
    ASSERT_TRUE(owner.CreateEx(0, AfxRegisterWndClass(0), "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    NOTIFYICONDATAA icon;
    std::memset(&icon, 0, sizeof icon);
    icon.cbSize = NOTIFYICONDATAA_V1_SIZE;
    icon.hWnd = owner;
    icon.uID = 4;
    icon.uFlags = NIF_ICON;
    icon.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    ASSERT_TRUE(Shell_NotifyIconA(NIM_ADD, &icon));
    CTrayIconPosition position;
    position.SetTrackedIcon(owner, 4);
    POINT point = {};
    const int found = position.GetTrayIconPosition(&point);
    CRect taskbar;
    GetWindowRect(FindWindowA("Shell_TrayWnd", nullptr), taskbar);
    Shell_NotifyIconA(NIM_DELETE, &icon);
    EXPECT_EQ(1, found) << "the probe's block is on the screen";
    EXPECT_TRUE(taskbar.PtInRect(point)) << point.x << "," << point.y;
}
