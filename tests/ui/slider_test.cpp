#include <windows.h>

#include <gtest/gtest.h>

#include "framework/Rect.h"
#include "support/ControlsHost.h"

namespace {

WPARAM Reported(int position)
{
    return MAKEWPARAM(SB_THUMBPOSITION, position);
}

// A key the pump offers the slider first: true when the slider keeps it from the dialog.
bool Consumed(CTNSlider& slider, UINT key)
{
    MSG msg = {slider.m_hWnd, WM_KEYDOWN, key, 1, 0, {0, 0}};
    return slider.PreTranslateMessage(&msg) != FALSE;
}

} // namespace

TEST(Slider, ClicksPickTheThirdKeysAreItsOwnAndOnlyThreePositionsExist)
{
    CControlsHost host;
    ASSERT_TRUE(host.Create());
    CTNSlider& slider = host.slider;
    ASSERT_TRUE(slider.m_hWnd);
    CRect client;
    slider.GetClientRect(client);
    // The first row of the second and of the third third.
    const int second = (client.Height() + 2) / 3;
    const int third = (2 * client.Height() + 2) / 3;
    const int track = 3; // left of the thumbs

    struct SClick {
        int y, position;
    };
    const SClick clicks[] = {{second, 1}, {second - 1, 0}, {third, 2}, {third - 1, 1}};
    for (const SClick& click : clicks) {
        host.scrolls.clear();
        slider.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(track, click.y));
        EXPECT_NE(::GetCapture(), slider.m_hWnd) << click.y;
        slider.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(track, click.y));
        EXPECT_EQ(slider.GetPos(), click.position) << click.y;
        EXPECT_EQ(host.scrolls, std::vector<WPARAM>{Reported(click.position)}) << click.y;
    }

    // Pressed on its thumb (position 1 at (13, 57)) it follows the pointer until released.
    slider.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(16, 60));
    EXPECT_EQ(::GetCapture(), slider.m_hWnd);
    slider.SendMessage(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(16, third + 5));
    EXPECT_EQ(slider.GetPos(), 2);
    slider.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(16, third + 5));
    EXPECT_NE(::GetCapture(), slider.m_hWnd);
    slider.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(16, 5));
    EXPECT_EQ(slider.GetPos(), 2);

    host.scrolls.clear();
    // At an end a key moves nothing and reports nothing, but the dialog never sees it.
    EXPECT_TRUE(Consumed(slider, VK_DOWN));
    EXPECT_TRUE(Consumed(slider, VK_RIGHT));
    EXPECT_TRUE(host.scrolls.empty());
    EXPECT_TRUE(Consumed(slider, VK_UP));
    EXPECT_TRUE(Consumed(slider, VK_LEFT));
    EXPECT_EQ(slider.GetPos(), 0);
    host.scrolls.clear();
    EXPECT_TRUE(Consumed(slider, VK_UP));
    EXPECT_TRUE(host.scrolls.empty());
    EXPECT_FALSE(Consumed(slider, VK_SPACE));

    // Out-of-range positions keep the old one and still report it.
    slider.SetPos(1);
    host.scrolls.clear();
    slider.SetPos(5);
    slider.SetPos(-1);
    EXPECT_EQ(slider.GetPos(), 1);
    EXPECT_EQ(host.scrolls, (std::vector<WPARAM>{Reported(1), Reported(1)}));
}
