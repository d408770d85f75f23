#include <gtest/gtest.h>

#include <cstring>

#include <windows.h>
#include <shellapi.h>

#include "window/MessagePumping.h"
#include "window/TestClock.h"
#include "framework/Rect.h"
#include "framework/WindowDCs.h"
#include "framework/Wnd.h"
#include "framework/WndClass.h"
#include "widgets/TrayIconPosition.h"

namespace {

// A stand-in for the taskbar: a topmost strip with one black block, 12 x 10, at (40, 5).
class CFakeTray : public CWnd {
public:
    bool Create(const CRect& rect)
    {
        return CreateEx(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, AfxRegisterWndClass(0), "", WS_POPUP | WS_VISIBLE, rect.left,
                        rect.top, rect.Width(), rect.Height(), nullptr, nullptr);
    }
    bool m_block = true;

protected:
    bool OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override
    {
        if (msg == WM_PAINT) {
            CPaintDC dc(m_hWnd);
            CRect client;
            GetClientRect(client);
            dc.FillSolidRect(client, RGB(212, 208, 200));
            if (m_block)
                dc.FillSolidRect(CRect(40, 5, 52, 15), RGB(0, 0, 0));
            *result = 0;
            return true;
        }
        return CWnd::OnWndMsg(msg, wParam, lParam, result);
    }
};

CFakeTray* g_fakeTray = nullptr;
int g_trayLookups = 0;

HWND FindFakeTray()
{
    ++g_trayLookups;
    return g_fakeTray ? g_fakeTray->GetSafeHwnd() : nullptr;
}

// Our own notification icon in the real tray, removed afterwards.
class CTrayIcon {
public:
    CTrayIcon()
    {
        m_owner.CreateEx(0, AfxRegisterWndClass(0), "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr);
        std::memset(&m_data, 0, sizeof m_data);
        m_data.cbSize = NOTIFYICONDATAA_V1_SIZE;
        m_data.hWnd = m_owner;
        m_data.uID = 4;
        m_data.uFlags = NIF_ICON | NIF_TIP;
        m_data.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
        std::strcpy(m_data.szTip, "tray position test");
        m_added = Shell_NotifyIconA(NIM_ADD, &m_data) != FALSE;
    }
    ~CTrayIcon()
    {
        if (m_added)
            Shell_NotifyIconA(NIM_DELETE, &m_data);
    }
    bool Added() const { return m_added; }
    HWND Owner() const { return m_owner; }

private:
    CWnd m_owner;
    NOTIFYICONDATAA m_data;
    bool m_added = false;
};

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

    // No taskbar at all: the middle of the screen's bottom-right 40 x 20, at the left on NT.
    g_fakeTray = nullptr;
    EXPECT_EQ(0, position.GetTrayIconPosition(&point));
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN) - 40 + 6, point.x);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN) - 10, point.y);

    CFakeTray tray;
    const CRect area(300, 400, 400, 420);
    ASSERT_TRUE(tray.Create(area));
    // Our own windows reach the screen when this thread next waits for messages.
    windowtest::PumpFor(100);
    g_fakeTray = &tray;
    g_trayLookups = 0;
    ASSERT_EQ(1, position.GetTrayIconPosition(&point));
    // The block's rows 5..14, columns 40..51: found on row 12, at its ninth column.
    EXPECT_EQ(area.left + 47, point.x);
    EXPECT_EQ(area.top + 6, point.y);
    EXPECT_EQ(1, g_trayLookups);

    // Within 10 s the default precision keeps the point; after that it searches again.
    tray.m_block = false;
    tray.RedrawWindow();
    windowtest::PumpFor(100);
    clock.Advance(9000);
    POINT cached = {};
    EXPECT_EQ(1, position.GetTrayIconPosition(&cached));
    EXPECT_EQ(point.x, cached.x);
    EXPECT_EQ(1, g_trayLookups);
    clock.Advance(2000);
    EXPECT_EQ(1, position.GetTrayIconPosition(&cached, CTrayIconPosition::Low)) << "60 s for the low level";
    EXPECT_EQ(1, g_trayLookups);

    // A miss: the estimate, and the cache stays as it was, so the next call searches again.
    POINT estimate = {};
    EXPECT_EQ(0, position.GetTrayIconPosition(&estimate));
    EXPECT_EQ(area.left + 6, estimate.x);
    EXPECT_EQ(area.top + area.Height() / 2, estimate.y);
    EXPECT_EQ(2, g_trayLookups);
    EXPECT_EQ(0, position.GetTrayIconPosition(&estimate));
    EXPECT_EQ(3, g_trayLookups);
    g_fakeTray = nullptr;
}

TEST(TrayIconPosition, FindsItsProbeInWinesTray)
{
    CTrayIcon icon;
    ASSERT_TRUE(icon.Added());
    windowtest::PumpPending();
    HWND taskbar = FindWindowA("Shell_TrayWnd", nullptr);
    ASSERT_NE(nullptr, taskbar) << "the virtual desktop draws a tray";
    CRect bar;
    GetWindowRect(taskbar, bar);

    CTrayIconPosition position;
    position.SetTrackedIcon(icon.Owner(), 4);
    POINT point = {};
    ASSERT_EQ(1, position.GetTrayIconPosition(&point)) << "the probe's block is on the screen";
    EXPECT_TRUE(bar.PtInRect(point)) << point.x << "," << point.y;
}
