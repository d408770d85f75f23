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

// The main window: it owns the tray menu while it is open (drawing its items through the tray,
// as the program's does) and records the commands it gets.
class CMainWindow : public CMenuOwnerWnd {
public:
    std::vector<WPARAM> commands;
    CSystemTray* tray = nullptr;

protected:
    bool OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override
    {
        if (msg == WM_COMMAND) {
            commands.push_back(wParam);
            *result = 0;
            return true;
        }
        if (msg == WM_DRAWITEM && tray && DrawItemFromLParam(lParam)->CtlType == ODT_MENU) {
            drawn.insert(DrawItemFromLParam(lParam)->itemData);
            *result = tray->OnTrayNotification(CSystemTray::kDrawRequest, lParam);
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
        m_main.tray = &m_tray;
    }
    void TearDown() override { AfxSetMainWnd(nullptr); }

    LRESULT Notify(UINT mouse) { return m_tray.SendMessage(kCallback, IDM_TRAY_TEST, mouse); }

    CMainWindow m_main;
    CSystemTray m_tray;
};

} // namespace

TEST_F(TrayMenuTest, ClicksSendTheDefaultCommandAndTheRightButtonOpensTheMenu)
{
    ASSERT_TRUE(m_tray.Create(nullptr, kCallback, "Tarnix", CSharedIcon::System(IDI_APPLICATION), IDM_TRAY_TEST));
    EXPECT_TRUE(IsWindowVisible(FindWindowA("Shell_TrayWnd", nullptr))) << "the icon is in the tray";

    // Default item 0 by position: the first item of the first popup, once per press.
    EXPECT_EQ(1, Notify(WM_LBUTTONDOWN));
    EXPECT_EQ(1, Notify(WM_LBUTTONUP));
    EXPECT_EQ(1, Notify(WM_LBUTTONDBLCLK));
    EXPECT_EQ((std::vector<WPARAM>{ID_TRAY_TEST_OPEN, ID_TRAY_TEST_OPEN}), m_main.commands);
    m_main.commands.clear();
    ASSERT_TRUE(m_tray.SetMenuDefaultItem(ID_TRAY_TEST_SEND, false));
    Notify(WM_LBUTTONDOWN);
    EXPECT_EQ((std::vector<WPARAM>{ID_TRAY_TEST_SEND}), m_main.commands);
    ASSERT_TRUE(m_tray.SetMenuDefaultItem(0, true));

    // The right button: the first popup at the cursor, its default item set, owned by the main
    // window, which draws its items through the tray; Escape closes it and nothing is sent.
    m_main.commands.clear();
    UINT defaultItem = static_cast<UINT>(-2);
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
    EXPECT_EQ(static_cast<std::size_t>(items), m_main.drawn.size()) << "every item drawn through the tray";
    EXPECT_TRUE(m_main.commands.empty());
}

TEST_F(TrayMenuTest, WithoutItsMenuTheTrayDoesNothing)
{
    const UINT noMenu = 77;
    ASSERT_TRUE(m_tray.Create(nullptr, kCallback, "Tarnix", CSharedIcon::System(IDI_APPLICATION), noMenu));
    windowtest::CModalDriver driver("#32768",
                                    [](HWND menuWindow) { PostMessageA(menuWindow, WM_KEYDOWN, VK_ESCAPE, 0); });
    EXPECT_EQ(0, m_tray.SendMessage(kCallback, noMenu, WM_RBUTTONUP));
    EXPECT_EQ(0, m_tray.SendMessage(kCallback, noMenu, WM_LBUTTONDOWN));
    windowtest::PumpFor(100);
    EXPECT_FALSE(driver.Done()) << "no menu was shown";
    EXPECT_TRUE(m_main.commands.empty());
    EXPECT_FALSE(m_tray.SetMenuDefaultItem(2, true));
}
