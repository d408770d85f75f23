#include <gtest/gtest.h>

#include <vector>

#include <windows.h>

#include "MenuOwner.h"
#include "widgets_test_ids.h"
#include "window/MessagePumping.h"
#include "window/ModalDriver.h"
#include "framework/AppState.h"
#include "framework/Icon.h"
#include "framework/WndClass.h"
#include "widgets/SystemTray.h"

namespace {

const UINT kCallback = WM_USER + 1001;

// The main window: it records its commands and, as the program's does, draws the tray menu's
// items through the tray.
class CMainWindow : public CMenuOwnerWnd {
public:
    std::vector<WPARAM> commands;
    CSystemTray tray;

protected:
    bool OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override
    {
        if (msg == WM_COMMAND) {
            commands.push_back(wParam);
            return true;
        }
        if (msg == WM_DRAWITEM && DrawItemFromLParam(lParam)->CtlType == ODT_MENU) {
            drawn.insert(DrawItemFromLParam(lParam)->itemData);
            *result = tray.OnTrayNotification(CSystemTray::kDrawRequest, lParam);
            return true;
        }
        // Under Wine 8 BCMenu::SyncPopupMenu's ModifyMenu of every item clears the default item
        // (MFS_DEFAULT), which this test reads back: the owner runs only its update pass.
        if (msg == WM_INITMENUPOPUP)
            return CWnd::OnWndMsg(msg, wParam, lParam, result);
        return CMenuOwnerWnd::OnWndMsg(msg, wParam, lParam, result);
    }
};

class TrayMenuTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_main.CreateEx(0, AfxRegisterWndClass(0), "main", WS_POPUP | WS_VISIBLE, 50, 50, 200, 100, nullptr,
                                    nullptr));
        AfxSetMainWnd(&m_main);
    }
    void TearDown() override { AfxSetMainWnd(nullptr); }

    bool Create(UINT iconId)
    {
        return m_main.tray.Create(nullptr, kCallback, "Tarnix", CSharedIcon::System(IDI_APPLICATION), iconId);
    }
    LRESULT Notify(UINT mouse, UINT iconId = IDM_TRAY_TEST)
    {
        return m_main.tray.SendMessage(kCallback, iconId, mouse);
    }

    CMainWindow m_main;
};

} // namespace

TEST_F(TrayMenuTest, ClicksSendTheDefaultCommandAndTheRightButtonOpensTheMenu)
{
    ASSERT_TRUE(Create(IDM_TRAY_TEST));
    EXPECT_TRUE(IsWindowVisible(FindWindowA("Shell_TrayWnd", nullptr))) << "the icon is in the tray";
    EXPECT_EQ(1, Notify(WM_LBUTTONDOWN));
    EXPECT_EQ(1, Notify(WM_LBUTTONUP));
    EXPECT_EQ(1, Notify(WM_LBUTTONDBLCLK));
    ASSERT_TRUE(m_main.tray.SetMenuDefaultItem(ID_TRAY_TEST_SEND, false));
    Notify(WM_LBUTTONDOWN);
    EXPECT_EQ((std::vector<WPARAM>{ID_TRAY_TEST_OPEN, ID_TRAY_TEST_OPEN, ID_TRAY_TEST_SEND}), m_main.commands)
        << "the first popup's first item, once per press; then the one named";
    ASSERT_TRUE(m_main.tray.SetMenuDefaultItem(0, true));

    // The first popup at the cursor with its default item, drawn through the tray; Escape.
    m_main.commands.clear();
    UINT defaultItem = 99;
    int items = 0;
    windowtest::CModalDriver driver("#32768", [&](HWND menuWindow) {
        HMENU popup = reinterpret_cast<HMENU>(SendMessageA(menuWindow, MN_GETHMENU, 0, 0));
        defaultItem = GetMenuDefaultItem(popup, TRUE, 0);
        items = GetMenuItemCount(popup);
        PostMessageA(menuWindow, WM_KEYDOWN, VK_ESCAPE, 0);
    });
    EXPECT_EQ(1, Notify(WM_RBUTTONUP));
    ASSERT_TRUE(driver.Done());
    EXPECT_EQ(0u, defaultItem);
    EXPECT_EQ(4, items);
    EXPECT_EQ(4u, m_main.drawn.size());
    EXPECT_TRUE(m_main.commands.empty());
}

TEST_F(TrayMenuTest, WithoutItsMenuTheTrayDoesNothing)
{
    ASSERT_TRUE(Create(77));
    windowtest::CModalDriver driver("#32768", [](HWND menu) { PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0); });
    EXPECT_EQ(0, Notify(WM_RBUTTONUP, 77));
    EXPECT_EQ(0, Notify(WM_LBUTTONDOWN, 77));
    windowtest::PumpFor(100);
    EXPECT_FALSE(driver.Done()) << "no menu was shown";
    EXPECT_TRUE(m_main.commands.empty());
    EXPECT_FALSE(m_main.tray.SetMenuDefaultItem(2, true));
}
