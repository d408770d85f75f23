#include <windows.h>

#include <gtest/gtest.h>

#include "framework/Rect.h"
#include "support/ControlsHost.h"
#include "ui/StatusLine.h"
#include "window/Canvas.h"

TEST(StatusLine, TextEndsTwentyPixelsFromTheRightAndIsUnderlinedAfterAMove)
{
    CControlsHost host;
    ASSERT_TRUE(host.Create());
    CStatusLine line;
    const int width = 300, height = 20;
    ASSERT_TRUE(line.Create(CRect(0, 0, width, height), host, WS_CHILD | WS_VISIBLE, 1));
    line.SetText("Clean Completed Transfers");
    windowtest::CTestCanvas canvas(width, height);
    const COLORREF text = ::GetSysColor(COLOR_HIGHLIGHT);
    const COLORREF background = RGB(255, 247, 194);

    // Where the text box starts: it ends 20 pixels from the right edge. (Wine 8 draws this font
    // narrower than it measures it, so the last glyph ends short of the box.)
    auto boxStart = [&] {
        windowtest::CTestCanvas measure(1, 1);
        ::SelectObject(measure.Dc(), ::GetStockObject(DEFAULT_GUI_FONT));
        SIZE size = {};
        ::GetTextExtentPoint32A(measure.Dc(), line.GetText(), line.GetText().GetLength(), &size);
        return width - 20 - size.cx;
    };
    line.Paint(canvas.Dc());
    EXPECT_EQ(canvas.Pixel(1, 1), background);
    EXPECT_EQ(canvas.Pixel(width - 1, height - 1), background);
    const RECT plain = canvas.Bounds(text);
    EXPECT_NEAR(plain.left, boxStart(), 1);
    EXPECT_LE(plain.right, width - 20);
    const int plainPixels = canvas.Count(text);

    // The first move underlines it; once re-armed it is plain again until the next move.
    line.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(150, 10));
    line.Paint(canvas.Dc());
    EXPECT_GT(canvas.Count(text), plainPixels + plain.right - plain.left - 5);
    line.Rearm();
    line.Paint(canvas.Dc());
    EXPECT_EQ(canvas.Count(text), plainPixels);

    // A text wider than the strip starts left of it and is cut there (W leaves no gap).
    line.SetText(CString('W', 60));
    ASSERT_LT(boxStart(), 0);
    line.Paint(canvas.Dc());
    EXPECT_LE(canvas.Bounds(text).left, 1);
    EXPECT_LE(canvas.Bounds(text).right, width - 20);
}
