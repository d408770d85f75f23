#include <gtest/gtest.h>

#include <windows.h>

#include "framework/Rect.h"
#include "framework/Wnd.h"
#include "framework/WndClass.h"
#include "widgets/SplashScreenEx.h"
#include "widgets_test_ids.h"
#include "window/MessagePumping.h"
#include "window/ScreenGrab.h"

namespace {

const COLORREF kCard = RGB(0xf4, 0xec, 0xd8); // the middle of the test bitmap

// The splash's middle shows its card on the screen after the queue has run a while: what this
// thread asks of the display reaches it only while the thread waits for messages, and before that
// the screen still shows the splash on top.
::testing::AssertionResult CardShows(HWND splash)
{
    windowtest::PumpFor(300);
    CRect rect;
    GetWindowRect(splash, rect);
    const CPoint middle = rect.CenterPoint();
    const CRect area(middle.x - 4, middle.y - 4, middle.x + 4, middle.y + 4);
    COLORREF seen = CLR_INVALID;
    if (windowtest::PumpUntilSeen(
            [&] {
                const auto shot = windowtest::GrabScreen(area);
                seen = shot ? shot->Pixel(4, 4) : CLR_INVALID;
                return shot && shot->Count(kCard) == 64;
            },
            5000))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the screen shows RGB(" << int(GetRValue(seen)) << ", "
                                         << int(GetGValue(seen)) << ", " << int(GetBValue(seen))
                                         << ") in the middle of the splash";
}

} // namespace

// As the program starts: the splash is shown while its owner is still hidden, then the owner
// shows and takes the focus, which under Wine lifts it above every window on the screen; then the
// focus moves inside the owner.
TEST(SplashOnScreen, StaysAboveItsOwnerWhenTheOwnerShowsAndTakesTheFocus)
{
    CWnd owner;
    ASSERT_TRUE(owner.CreateEx(0, AfxRegisterWndClass(0, nullptr, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))),
                               "owner", WS_OVERLAPPEDWINDOW, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                               GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr));
    CWnd field;
    ASSERT_TRUE(field.CreateEx(0, "EDIT", "", WS_CHILD | WS_VISIBLE, 10, 10, 100, 20, owner, nullptr));
    auto* splash = new CSplashScreenEx; // deletes itself with its window
    ASSERT_TRUE(splash->Create(&owner, nullptr, 0, CSplashScreenEx::CentreOnScreen));
    ASSERT_TRUE(splash->SetBitmap(IDB_SPLASH_TEST, 255, 0, 255));
    splash->Show();
    const HWND window = *splash;

    owner.ShowWindow(SW_SHOWNORMAL);
    SetForegroundWindow(owner);
    EXPECT_TRUE(CardShows(window)) << "after the owner showed";
    field.SetFocus();
    EXPECT_EQ(field.GetSafeHwnd(), GetFocus());
    EXPECT_TRUE(CardShows(window)) << "after the focus moved into the owner";
    // Lifted, it is still topmost and above its owner, and took neither the activation nor the
    // focus.
    EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    HWND below = window;
    while (below && below != owner.GetSafeHwnd())
        below = GetWindow(below, GW_HWNDNEXT);
    EXPECT_EQ(owner.GetSafeHwnd(), below) << "the owner lies below the splash in the window order";
    EXPECT_EQ(owner.GetSafeHwnd(), GetActiveWindow());
    EXPECT_EQ(field.GetSafeHwnd(), GetFocus());

    owner.DestroyWindow(); // takes the splash with it
    EXPECT_FALSE(IsWindow(window));
}
