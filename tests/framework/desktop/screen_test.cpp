#include <gtest/gtest.h>

#include <memory>

#include "window/MessagePumping.h"
#include "window/RegistryValueScope.h"
#include "window/ScreenGrab.h"
#include "framework/Brush.h"
#include "framework/Rgn.h"

using windowtest::CRegistryValueScope;
using windowtest::GrabWindow;
using windowtest::PumpUntilSeen;

TEST(Screen, ShapedWindowShowsOnlyInsideItsRegion)
{
    const COLORREF red = RGB(230, 0, 0);
    CBrush background(red);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = background;
    wc.lpszClassName = "TarnixScreenTest";
    ASSERT_TRUE(RegisterClassA(&wc));
    HWND window = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, wc.lpszClassName, "", WS_POPUP, 100, 100, 80, 60,
                                  nullptr, nullptr, wc.hInstance, nullptr);
    ASSERT_NE(nullptr, window);
    CRgn shape;
    ASSERT_TRUE(shape.CreateRoundRectRgn(0, 0, 81, 61, 40, 40));
    ASSERT_TRUE(SetWindowRgn(window, shape, FALSE));
    shape.Detach();
    ShowWindow(window, SW_SHOWNOACTIVATE);
    UpdateWindow(window);
    // A loaded display may take a while to show what was painted.
    std::unique_ptr<windowtest::CTestCanvas> grabbed;
    PumpUntilSeen([&] {
        grabbed = GrabWindow(window);
        return grabbed && grabbed->Width() == 80 && grabbed->Pixel(40, 30) == red;
    });
    ASSERT_NE(nullptr, grabbed);
    EXPECT_EQ(80, grabbed->Width());
    EXPECT_EQ(red, grabbed->Pixel(40, 30));
    EXPECT_NE(red, grabbed->Pixel(1, 1)) << "outside the rounded corner the desktop shows";
    EXPECT_GT(grabbed->Count(red), 80 * 60 / 2);
    DestroyWindow(window);
    UnregisterClassA(wc.lpszClassName, wc.hInstance);
}

TEST(Registry, ScopedValueIsPutBackAsItWas)
{
    const char* key = "Software\\Tarnix\\WindowTestScope";
    {
        CRegistryValueScope outer(HKEY_CURRENT_USER, key, "Value", "first");
        ASSERT_TRUE(outer.IsSet());
        {
            CRegistryValueScope inner(HKEY_CURRENT_USER, key, "Value", DWORD{7});
            ASSERT_TRUE(inner.IsSet());
            DWORD number = 0;
            DWORD size = sizeof(number);
            EXPECT_EQ(ERROR_SUCCESS,
                      RegGetValueA(HKEY_CURRENT_USER, key, "Value", RRF_RT_REG_DWORD, nullptr, &number, &size));
            EXPECT_EQ(7u, number);
        }
        char text[16] = {};
        DWORD size = sizeof(text);
        EXPECT_EQ(ERROR_SUCCESS, RegGetValueA(HKEY_CURRENT_USER, key, "Value", RRF_RT_REG_SZ, nullptr, text, &size));
        EXPECT_STREQ("first", text);
    }
    EXPECT_NE(ERROR_SUCCESS, RegGetValueA(HKEY_CURRENT_USER, key, "Value", RRF_RT_ANY, nullptr, nullptr, nullptr))
        << "a value that was not there is removed again";
    RegDeleteKeyA(HKEY_CURRENT_USER, key);
}
