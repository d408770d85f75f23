#include <gtest/gtest.h>

#include <windows.h>

#include "test_art_ids.h"
#include "widgets_test_ids.h"
#include "window/Canvas.h"
#include "window/MessagePumping.h"
#include "window/TestClock.h"
#include "framework/Icon.h"
#include "widgets/BCMenu.h"
#include "widgets/SystemTray.h"

using windowtest::CTestClock;
using windowtest::StepTimer;

namespace {

const UINT kCallback = WM_USER + 1001;

// A tray icon of the test's own, with three animation pictures.
class SystemTrayTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_idle = CSharedIcon::System(IDI_APPLICATION);
        for (int i = 0; i < 3; ++i)
            m_frames[i].Reset(CopyIcon(CSharedIcon::System(i == 0 ? IDI_WARNING : i == 1 ? IDI_ERROR : IDI_QUESTION)));
        ASSERT_TRUE(m_tray.Create(nullptr, kCallback, "Tarnix", m_idle, IDM_TRAY_TEST));
        const HICON frames[] = {m_frames[0], m_frames[1], m_frames[2]};
        const DWORD delays[] = {100, 200, 300};
        ASSERT_TRUE(m_tray.SetIconList(frames, 3, delays));
    }

    HICON Frame(int i) const { return m_frames[i]; }
    void Step() { StepTimer(m_tray, CSystemTray::kAnimationTimer); }

    CTestClock m_clock;
    HICON m_idle = nullptr;
    CIcon m_frames[3];
    CSystemTray m_tray;
};

} // namespace

TEST_F(SystemTrayTest, AnimationShowsEachPictureInTurnAndRestoresTheOneBefore)
{
    ASSERT_TRUE(m_tray.Animate(5));
    EXPECT_EQ(m_idle, m_tray.GetIcon()) << "the picture before stays for the first delay";
    const HICON expected[] = {Frame(1), Frame(2), Frame(0), Frame(1)};
    for (HICON frame : expected) {
        m_clock.Advance(1000);
        Step();
        EXPECT_EQ(frame, m_tray.GetIcon());
    }
    m_clock.Advance(1000); // 5 s: not yet more than the duration
    Step();
    EXPECT_EQ(Frame(2), m_tray.GetIcon());
    m_clock.Advance(1);
    Step();
    EXPECT_EQ(m_idle, m_tray.GetIcon()) << "ended on the first tick after 5 s";
    Step();
    EXPECT_EQ(m_idle, m_tray.GetIcon()) << "a late tick changes nothing";

    // Without a duration it runs on.
    ASSERT_TRUE(m_tray.Animate(0));
    m_clock.Advance(3600 * 1000);
    Step();
    EXPECT_EQ(Frame(1), m_tray.GetIcon());
}

TEST_F(SystemTrayTest, RestartsAndNewPicturesKeepWhatTheEndShows)
{
    // A restart in the middle keeps the picture from before the first start.
    ASSERT_TRUE(m_tray.Animate(10));
    Step();
    ASSERT_EQ(Frame(1), m_tray.GetIcon());
    ASSERT_TRUE(m_tray.Animate(10));
    m_clock.Advance(10001);
    Step();
    EXPECT_EQ(m_idle, m_tray.GetIcon());

    // A picture set while it runs shows now and again at the end, not the one from before.
    ASSERT_TRUE(m_tray.Animate(10));
    Step();
    ASSERT_TRUE(m_tray.SetIconById(IDI_TEST_ART));
    const HICON art = CSharedIcon::Load(IDI_TEST_ART);
    EXPECT_EQ(art, m_tray.GetIcon());
    Step();
    EXPECT_EQ(Frame(2), m_tray.GetIcon());
    m_clock.Advance(10001);
    Step();
    EXPECT_EQ(art, m_tray.GetIcon());

    // An empty list animates nothing and reads no delay; a running animation ends.
    ASSERT_TRUE(m_tray.Animate(10));
    Step();
    ASSERT_TRUE(m_tray.SetIconList(nullptr, 0, nullptr));
    EXPECT_FALSE(m_tray.Animate(10));
    EXPECT_EQ(art, m_tray.GetIcon());
    Step();
    EXPECT_EQ(art, m_tray.GetIcon());
}

TEST_F(SystemTrayTest, DrawRequestsAreDrawnByTheTrayMenu)
{
    BCMenu menu;
    ASSERT_TRUE(menu.LoadMenu(IDM_TRAY_TEST));
    CMenu* popup = menu.GetSubMenu(0);
    ASSERT_NE(nullptr, popup);
    MENUITEMINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_DATA;
    ASSERT_TRUE(popup->GetMenuItemInfo(0, &info, TRUE));

    // The same item, drawn selected, once through the tray and once by the menu itself.
    windowtest::CTestCanvas viaTray(200, 24, RGB(1, 2, 3));
    windowtest::CTestCanvas direct(200, 24, RGB(1, 2, 3));
    DRAWITEMSTRUCT draw = {};
    draw.CtlType = ODT_MENU;
    draw.itemID = ID_TRAY_TEST_OPEN;
    draw.itemAction = ODA_DRAWENTIRE;
    draw.itemState = ODS_SELECTED;
    draw.hwndItem = reinterpret_cast<HWND>(popup->GetSafeHmenu());
    draw.rcItem = RECT{0, 0, 200, 24};
    draw.itemData = info.dwItemData;
    draw.hDC = viaTray.Dc();
    EXPECT_EQ(0, m_tray.OnTrayNotification(CSystemTray::kDrawRequest, reinterpret_cast<LPARAM>(&draw)));
    draw.hDC = direct.Dc();
    popup->DrawItem(&draw);
    EXPECT_EQ(0, viaTray.Count(RGB(1, 2, 3))) << "the whole item is drawn";
    int different = 0;
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 200; ++x)
            different += viaTray.Pixel(x, y) != direct.Pixel(x, y);
    EXPECT_EQ(0, different);

    // Another icon's notification, or the callback of another icon, does nothing.
    EXPECT_EQ(0, m_tray.OnTrayNotification(IDM_TRAY_TEST + 1, WM_LBUTTONDOWN));
}
