#include <gtest/gtest.h>

#include <windows.h>

#include "widgets_test_ids.h"
#include "window/Canvas.h"
#include "window/Input.h"
#include "window/MessagePumping.h"
#include "framework/Bitmap.h"
#include "framework/Rect.h"
#include "framework/Rgn.h"
#include "widgets/SplashScreenEx.h"

using windowtest::CTestCanvas;

namespace {

const COLORREF kMagenta = RGB(255, 0, 255);

int g_splashesDeleted = 0;

// Counts its deletions; the splash deletes itself.
class CCountedSplash : public CSplashScreenEx {
public:
    ~CCountedSplash() override { ++g_splashesDeleted; }
};

// A plain top-level window to own the splash.
class SplashTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_splashesDeleted = 0;
        ASSERT_TRUE(
            m_owner.CreateEx(0, "STATIC", "owner", WS_POPUP | WS_VISIBLE, 100, 120, 400, 300, nullptr, nullptr));
    }
    void TearDown() override { m_owner.DestroyWindow(); }

    // A splash made, given the test bitmap and shown; owned by itself from then on.
    CCountedSplash* ShowSplash(DWORD displayTime, DWORD style, short keyRed = 255)
    {
        auto* splash = new CCountedSplash;
        if (!splash->Create(&m_owner, "Tarnix", displayTime, style) ||
            !splash->SetBitmap(IDB_SPLASH_TEST, keyRed, 0, 255)) {
            delete splash;
            return nullptr;
        }
        splash->Show();
        return splash;
    }

    CWnd m_owner;
};

} // namespace

TEST_F(SplashTest, RegionLeavesOutEveryKeyColouredPixelAndKeepsTheRest)
{
    CCountedSplash* splash = ShowSplash(0, CSplashScreenEx::CentreOnScreen);
    ASSERT_NE(nullptr, splash);
    const HWND window = splash->GetSafeHwnd();
    CRgn region;
    ASSERT_TRUE(region.CreateRectRgn(0, 0, 0, 0));
    ASSERT_NE(ERROR, GetWindowRgn(window, region));

    // Every pixel of the bitmap against the region.
    CBitmap bitmap;
    ASSERT_TRUE(bitmap.LoadBitmap(IDB_SPLASH_TEST));
    const CSize size = bitmap.GetSize();
    CTestCanvas pixels(size.cx, size.cy);
    {
        HDC memory = CreateCompatibleDC(pixels.Dc());
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(pixels.Dc(), 0, 0, size.cx, size.cy, memory, 0, 0, SRCCOPY);
        SelectObject(memory, old);
        DeleteDC(memory);
    }
    int keyed = 0;
    int wrong = 0;
    for (int y = 0; y < size.cy; ++y) {
        for (int x = 0; x < size.cx; ++x) {
            const bool key = pixels.Pixel(x, y) == kMagenta;
            keyed += key;
            wrong += key == (region.PtInRegion(x, y) != FALSE);
        }
    }
    EXPECT_GT(keyed, 100) << "the test bitmap has its corners and a hole in the key colour";
    EXPECT_EQ(0, wrong);

    // Sized to the bitmap, centred on the full-screen area, topmost, a tool window, owned.
    CRect rect;
    GetWindowRect(window, rect);
    EXPECT_EQ(size.cx, rect.Width());
    EXPECT_EQ(size.cy, rect.Height());
    EXPECT_EQ((GetSystemMetrics(SM_CXFULLSCREEN) - size.cx) / 2, rect.left);
    EXPECT_EQ((GetSystemMetrics(SM_CYFULLSCREEN) - size.cy) / 2, rect.top);
    EXPECT_EQ(static_cast<DWORD>(WS_EX_TOPMOST | WS_EX_TOOLWINDOW),
              GetWindowLongA(window, GWL_EXSTYLE) & (WS_EX_TOPMOST | WS_EX_TOOLWINDOW));
    EXPECT_EQ(m_owner.GetSafeHwnd(), GetWindow(window, GW_OWNER));
    EXPECT_TRUE(IsWindowVisible(window));

    // Display time 0: no timer ends it.
    windowtest::PumpFor(150);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(0, g_splashesDeleted);
    // The owner going away takes it along, and it deletes itself once.
    m_owner.DestroyWindow();
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(1, g_splashesDeleted);
}

TEST_F(SplashTest, CentresOnItsParentAndStaysRectangularWithoutAKey)
{
    CCountedSplash* splash = ShowSplash(0, CSplashScreenEx::CentreOnParent | CSplashScreenEx::DropShadow, -1);
    ASSERT_NE(nullptr, splash);
    CRect owner;
    m_owner.GetWindowRect(owner);
    CRect rect;
    splash->GetWindowRect(rect);
    EXPECT_EQ(owner.left + (owner.Width() - rect.Width()) / 2, rect.left);
    EXPECT_EQ(owner.top + (owner.Height() - rect.Height()) / 2, rect.top);
    CRgn region;
    ASSERT_TRUE(region.CreateRectRgn(0, 0, 0, 0));
    EXPECT_EQ(ERROR, GetWindowRgn(splash->GetSafeHwnd(), region)) << "no region with a -1 component";

    // WM_PRINTCLIENT draws the bitmap, then the text over it.
    CTestCanvas canvas(rect.Width(), rect.Height(), RGB(255, 255, 255));
    splash->SendMessage(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), PRF_CLIENT);
    EXPECT_EQ(kMagenta, canvas.Pixel(0, 0)) << "the corner as the bitmap has it";
    EXPECT_EQ(RGB(0xf4, 0xec, 0xd8), canvas.Pixel(40, 40));
    EXPECT_EQ(0, canvas.Count(RGB(255, 255, 255))) << "the bitmap covers the window";
    EXPECT_GT(canvas.Count(RGB(0, 0, 0)), 10) << "the text in black";

    // A second splash of the same class, in the same process.
    CCountedSplash* second = ShowSplash(0, CSplashScreenEx::CentreOnScreen);
    ASSERT_NE(nullptr, second);
    EXPECT_TRUE(second->IsWindowVisible());
    second->Hide();
    splash->Hide();
    EXPECT_EQ(2, g_splashesDeleted);
}

TEST_F(SplashTest, TimerTickOrPressHidesItAndItDeletesItselfOnce)
{
    // The timer's first tick.
    CCountedSplash* splash = ShowSplash(60000, CSplashScreenEx::CentreOnScreen | CSplashScreenEx::FadeOut);
    ASSERT_NE(nullptr, splash);
    HWND window = splash->GetSafeHwnd();
    windowtest::StepTimer(window, 1);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(1, g_splashesDeleted);

    // Without the press bit a key and a click pass.
    splash = ShowSplash(0, CSplashScreenEx::CentreOnScreen);
    ASSERT_NE(nullptr, splash);
    window = splash->GetSafeHwnd();
    windowtest::PostKey(window, VK_SPACE);
    PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    EXPECT_TRUE(windowtest::PumpPending());
    EXPECT_TRUE(IsWindow(window));
    splash->Hide();
    EXPECT_EQ(2, g_splashesDeleted);

    // With it, a key press or a click hides it at once.
    for (UINT press : {WM_KEYDOWN, WM_LBUTTONDOWN, WM_NCRBUTTONDOWN}) {
        splash = ShowSplash(0, CSplashScreenEx::CentreOnScreen | CSplashScreenEx::HideOnPress);
        ASSERT_NE(nullptr, splash);
        window = splash->GetSafeHwnd();
        const int before = g_splashesDeleted;
        PostMessageA(window, press, press == WM_KEYDOWN ? VK_SPACE : 0, MAKELPARAM(5, 5));
        EXPECT_TRUE(windowtest::PumpUntil([&] { return !IsWindow(window); }, 2000)) << press;
        EXPECT_EQ(before + 1, g_splashesDeleted);
    }

    // A real display time ends it by itself.
    splash = ShowSplash(50, CSplashScreenEx::CentreOnScreen);
    ASSERT_NE(nullptr, splash);
    window = splash->GetSafeHwnd();
    EXPECT_TRUE(windowtest::PumpUntil([&] { return !IsWindow(window); }, 3000));
}

TEST_F(SplashTest, MissingBitmapOrParentIsRefused)
{
    CSplashScreenEx splash;
    EXPECT_FALSE(splash.Create(nullptr));
    ASSERT_TRUE(splash.Create(&m_owner));
    EXPECT_FALSE(splash.SetBitmap(9999, 255, 0, 255));
    // Deleting the object while its window lives destroys the window, once.
}
