#include <gtest/gtest.h>
#include "support/MainWindowTestSupport.h"
#include "window/MessagePumping.h"
#include "window/ScreenGrab.h"
#include "window/ModalDriver.h"
using namespace mainwintest;
TEST_F(MainWindowTest, ZZProbeSplash)
{
    CloseWindow();
    Settings().SetShowSplash(1);
    OpenWindow();
    HWND splash = ::FindWindowA("SplashScreenExClass", nullptr);
    ASSERT_NE(nullptr, splash);
    RECT r; ::GetWindowRect(splash, &r);
    printf("splash vis=%d rect %ld %ld %ld %ld owner=%p main=%p\n", ::IsWindowVisible(splash), r.left, r.top, r.right, r.bottom, (void*)::GetWindow(splash, GW_OWNER), (void*)dialog->m_hWnd);
    HRGN rgn = ::CreateRectRgn(0,0,0,0); int kind = ::GetWindowRgn(splash, rgn); RECT box; ::GetRgnBox(rgn, &box);
    printf("region kind %d box %ld %ld %ld %ld\n", kind, box.left, box.top, box.right, box.bottom);
    dialog->ShowWindow(SW_SHOWNORMAL);
    windowtest::PumpFor(300);
    auto grab = windowtest::GrabScreen(r);
    printf("pixel mid %06lx corner %06lx\n", grab->Pixel(190, 110), grab->Pixel(2,2));
    printf("top window %p\n", (void*)::WindowFromPoint(POINT{(r.left+r.right)/2, (r.top+r.bottom)/2}));
}
