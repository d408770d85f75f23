#include <gtest/gtest.h>

#include <windows.h>

#include "widgets_test_ids.h"
#include "window/Canvas.h"
#include "window/MessagePumping.h"
#include "framework/Rect.h"
#include "framework/Rgn.h"
#include "widgets/SplashScreenEx.h"

namespace {

int g_deleted = 0;

class CCountedSplash : public CSplashScreenEx {
public:
    ~CCountedSplash() override { ++g_deleted; }
};

class SplashTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_deleted = 0;
        ASSERT_TRUE(m_owner.CreateEx(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 100, 120, 400, 300, nullptr, nullptr));
    }
    void TearDown() override { m_owner.DestroyWindow(); }

    // Made, given the test bitmap keyed on magenta (red -1: no key) and shown; it owns itself.
    HWND Show(DWORD displayTime, DWORD style, const char* text = nullptr, short red = 255)
    {
        auto* splash = new CCountedSplash;
        if (!splash->Create(&m_owner, text, displayTime, style) || !splash->SetBitmap(IDB_SPLASH_TEST, red, 0, 255)) {
            delete splash;
            return nullptr;
        }
        splash->Show();
        return *splash;
    }
    static CSplashScreenEx* Splash(HWND window)
    {
        return static_cast<CSplashScreenEx*>(CWnd::FromHandlePermanent(window));
    }

    CWnd m_owner;
};

} // namespace

TEST_F(SplashTest, ShapedByItsKeyColourCentredTopmostAndGoneWithItsOwner)
{
    const HWND window = Show(0, CSplashScreenEx::CentreOnScreen);
    ASSERT_NE(nullptr, window);
    CRect rect;
    GetWindowRect(window, rect);
    windowtest::CTestCanvas drawn(rect.Width(), rect.Height());
    SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(drawn.Dc()), PRF_CLIENT);
    CRgn region;
    ASSERT_TRUE(region.CreateRectRgn(0, 0, 0, 0));
    ASSERT_NE(ERROR, GetWindowRgn(window, region));
    int keyed = 0, wrong = 0;
    for (int y = 0; y < rect.Height(); ++y)
        for (int x = 0; x < rect.Width(); ++x) {
            const bool key = drawn.Pixel(x, y) == RGB(255, 0, 255);
            keyed += key;
            wrong += key == region.PtInRegion(x, y);
        }
    EXPECT_GT(keyed, 100) << "corners and a hole in the key colour";
    EXPECT_EQ(0, wrong);
    EXPECT_EQ((GetSystemMetrics(SM_CXFULLSCREEN) - rect.Width()) / 2, rect.left);
    EXPECT_EQ((GetSystemMetrics(SM_CYFULLSCREEN) - rect.Height()) / 2, rect.top);
    EXPECT_EQ(WS_EX_TOPMOST | WS_EX_TOOLWINDOW,
              GetWindowLongA(window, GWL_EXSTYLE) & (WS_EX_TOPMOST | WS_EX_TOOLWINDOW));
    EXPECT_EQ(m_owner.GetSafeHwnd(), GetWindow(window, GW_OWNER));

    windowtest::PumpFor(150);
    EXPECT_TRUE(IsWindowVisible(window)) << "display time 0 has no end";
    m_owner.DestroyWindow();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(1, g_deleted);
}

TEST_F(SplashTest, CentresOnItsParentDrawsItsTextAndStaysSquareWithoutAKey)
{
    const HWND window = Show(0, CSplashScreenEx::CentreOnParent | CSplashScreenEx::DropShadow, "Tarnix", -1);
    ASSERT_NE(nullptr, window);
    CRect owner, rect;
    m_owner.GetWindowRect(owner);
    GetWindowRect(window, rect);
    EXPECT_EQ(owner.CenterPoint().x, rect.left + rect.Width() / 2);
    EXPECT_EQ(owner.CenterPoint().y, rect.top + rect.Height() / 2);
    CRgn region;
    ASSERT_TRUE(region.CreateRectRgn(0, 0, 0, 0));
    EXPECT_EQ(ERROR, GetWindowRgn(window, region));
    windowtest::CTestCanvas canvas(rect.Width(), rect.Height(), RGB(1, 2, 3));
    SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), PRF_CLIENT);
    EXPECT_EQ(0, canvas.Count(RGB(1, 2, 3))) << "the bitmap covers the window";
    EXPECT_GT(canvas.Count(RGB(0, 0, 0)), 10) << "the text over it, in black";

    // A second splash of the registered class; a missing bitmap or parent is refused.
    const HWND second = Show(0, CSplashScreenEx::CentreOnScreen);
    ASSERT_NE(nullptr, second);
    Splash(second)->Hide();
    Splash(window)->Hide();
    EXPECT_EQ(2, g_deleted);
    CSplashScreenEx splash;
    EXPECT_FALSE(splash.Create(nullptr));
    ASSERT_TRUE(splash.Create(&m_owner));
    EXPECT_FALSE(splash.SetBitmap(9999, 255, 0, 255));
}

TEST_F(SplashTest, ItsTimerOrAPressHidesItAndItDeletesItselfOnce)
{
    HWND window = Show(60000, CSplashScreenEx::CentreOnScreen | CSplashScreenEx::FadeOut);
    windowtest::StepTimer(window, 1);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(1, g_deleted);

    for (DWORD style : {DWORD{0}, DWORD{CSplashScreenEx::HideOnPress}}) {
        for (UINT press : {WM_KEYDOWN, WM_LBUTTONDOWN, WM_NCRBUTTONDOWN}) {
            window = Show(0, style);
            PostMessageA(window, press, press == WM_KEYDOWN ? VK_SPACE : 0, MAKELPARAM(5, 5));
            windowtest::PumpPending();
            EXPECT_EQ(style != 0, !IsWindow(window)) << style << " " << press;
            if (IsWindow(window))
                Splash(window)->Hide();
        }
    }
    EXPECT_EQ(7, g_deleted);
    window = Show(50, CSplashScreenEx::CentreOnScreen);
    EXPECT_TRUE(windowtest::PumpUntil([&] { return !IsWindow(window); }, 3000)) << "a real display time";
}
