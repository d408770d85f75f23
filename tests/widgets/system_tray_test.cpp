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

namespace {

// A tray icon of the test's own with three animation pictures, its timer stepped by hand.
class SystemTrayTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* system[] = {IDI_WARNING, IDI_ERROR, IDI_QUESTION};
        for (int i = 0; i < 3; ++i)
            m_frames[i].Reset(CopyIcon(CSharedIcon::System(system[i])));
        ASSERT_TRUE(m_tray.Create(nullptr, WM_USER + 1001, "Tarnix", m_idle, IDM_TRAY_TEST));
        const HICON frames[] = {m_frames[0], m_frames[1], m_frames[2]};
        const DWORD delays[] = {100, 200, 300};
        ASSERT_TRUE(m_tray.SetIconList(frames, 3, delays));
    }
    // One tick `ms` later: the picture it leaves.
    HICON Tick(DWORD ms = 0)
    {
        m_clock.Advance(ms);
        windowtest::StepTimer(m_tray, CSystemTray::kAnimationTimer);
        return m_tray.GetIcon();
    }

    windowtest::CTestClock m_clock;
    const HICON m_idle = CSharedIcon::System(IDI_APPLICATION);
    CIcon m_frames[3];
    CSystemTray m_tray;
};

} // namespace

TEST_F(SystemTrayTest, AnimationShowsEachPictureInTurnAndRestoresTheOneBefore)
{
    ASSERT_TRUE(m_tray.Animate(5));
    EXPECT_EQ(m_idle, m_tray.GetIcon()) << "the picture before stays for the first delay";
    for (int frame : {1, 2, 0, 1, 2})
        EXPECT_EQ(m_frames[frame].GetSafeHandle(), Tick(1000)) << "not yet more than 5 s";
    EXPECT_EQ(m_idle, Tick(1)) << "ended on the first tick after 5 s";
    EXPECT_EQ(m_idle, Tick()) << "a late tick changes nothing";
    ASSERT_TRUE(m_tray.Animate(0));
    EXPECT_EQ(m_frames[1].GetSafeHandle(), Tick(3600 * 1000)) << "without a duration it runs on";
}

TEST_F(SystemTrayTest, RestartsAndNewPicturesKeepWhatTheEndShows)
{
    ASSERT_TRUE(m_tray.Animate(10));
    ASSERT_EQ(m_frames[1].GetSafeHandle(), Tick());
    ASSERT_TRUE(m_tray.Animate(10));
    EXPECT_EQ(m_idle, Tick(10001)) << "a restart keeps the picture from before the first start";

    ASSERT_TRUE(m_tray.Animate(10));
    Tick();
    ASSERT_TRUE(m_tray.SetIconById(IDI_TEST_ART));
    const HICON art = CSharedIcon::Load(IDI_TEST_ART);
    EXPECT_EQ(art, m_tray.GetIcon());
    EXPECT_EQ(m_frames[2].GetSafeHandle(), Tick());
    EXPECT_EQ(art, Tick(10001)) << "the picture set meanwhile shows at the end";

    ASSERT_TRUE(m_tray.Animate(10));
    Tick();
    ASSERT_TRUE(m_tray.SetIconList(nullptr, 0, nullptr));
    EXPECT_FALSE(m_tray.Animate(10)) << "nothing to animate";
    EXPECT_EQ(art, m_tray.GetIcon());
    EXPECT_EQ(art, Tick());
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
    // The same item drawn selected, through the tray and by the menu itself.
    windowtest::CTestCanvas viaTray(200, 24, RGB(1, 2, 3)), direct(200, 24, RGB(1, 2, 3));
    DRAWITEMSTRUCT draw = {};
    draw.CtlType = ODT_MENU;
    draw.itemState = ODS_SELECTED;
    draw.rcItem = RECT{0, 0, 200, 24};
    draw.itemData = info.dwItemData;
    draw.hDC = viaTray.Dc();
    EXPECT_EQ(0, m_tray.OnTrayNotification(CSystemTray::kDrawRequest, reinterpret_cast<LPARAM>(&draw)));
    draw.hDC = direct.Dc();
    popup->DrawItem(&draw);
    EXPECT_EQ(0, viaTray.Count(RGB(1, 2, 3)));
    for (int x = 0; x < 200; x += 3)
        ASSERT_EQ(direct.Pixel(x, 12), viaTray.Pixel(x, 12)) << x;
    EXPECT_EQ(0, m_tray.OnTrayNotification(IDM_TRAY_TEST + 1, WM_LBUTTONDOWN)) << "another icon's";
}
