#include <windows.h>

#include <gtest/gtest.h>

#include "controls_host_ids.h"
#include "framework/Rect.h"
#include "support/ControlsHost.h"
#include "window/Canvas.h"

namespace {

// Faces of the test art (tests/ui/res/button_*.bmp.txt).
const COLORREF kNormalFace = RGB(0x30, 0x60, 0xC0);
const COLORREF kHoverFace = RGB(0x40, 0xB0, 0xF0);
const COLORREF kDisabledFace = RGB(0xA0, 0xA0, 0xA0);
const COLORREF kWideFace = RGB(0xC0, 0x60, 0x30);

COLORREF Face(CTNButton& button)
{
    windowtest::CTestCanvas canvas(8, 8);
    button.Paint(canvas.Dc());
    return canvas.Pixel(5, 5);
}

} // namespace

TEST(Button, BitmapsSizeTheButtonAndADisabledIdOfZeroKeepsTheOldOne)
{
    CControlsHost host;
    ASSERT_TRUE(host.Create());
    CTNButton& button = host.button;
    ASSERT_TRUE(
        button.SetBitmaps(IDB_HOST_BUTTON, IDB_HOST_BUTTON_HOVER, IDB_HOST_BUTTON_PRESSED, IDB_HOST_BUTTON_DISABLED));
    CRect rect;
    button.GetWindowRect(rect);
    EXPECT_EQ(rect.Size(), CSize(64 + 2, 24 + 2));
    EXPECT_EQ(Face(button), kNormalFace);

    ASSERT_TRUE(button.SetBitmaps(IDB_HOST_BUTTON_WIDE, IDB_HOST_BUTTON_HOVER, IDB_HOST_BUTTON_PRESSED, 0));
    button.GetWindowRect(rect);
    EXPECT_EQ(rect.Size(), CSize(96 + 2, 28 + 2));
    EXPECT_EQ(Face(button), kWideFace);
    button.EnableWindow(FALSE);
    EXPECT_EQ(Face(button), kDisabledFace);
    button.EnableWindow(TRUE);

    // It still clicks like a push button, and shows the hover picture after the release.
    host.commands.clear();
    button.SendMessage(BM_CLICK);
    EXPECT_EQ(host.commands, std::vector<int>{IDC_HOST_BUTTON});
    EXPECT_EQ(button.GetDrawState(), CTNButton::kHover);
    EXPECT_EQ(Face(button), kHoverFace);
}
