#include <windows.h>

#include <gtest/gtest.h>

#include "framework/Bitmap.h"
#include "ui/ControlArt.h"
#include "ui/ProgressDrawer.h"
#include "window/Canvas.h"

namespace {

// The pieces' top row (ui/res/upload_progress.bmp.txt): the caps' outer columns are dark, the
// rest light.
const COLORREF kCap = RGB(0x1E, 0x6B, 0x30);
const COLORREF kMiddle = RGB(0x8F, 0xDC, 0x9A);
const COLORREF kBackground = RGB(250, 250, 250);
const COLORREF kBorder = RGB(128, 128, 128);
const COLORREF kText = RGB(0, 0, 0);
const int kWidth = 204; // an inner width of 200
const int kHeight = 40;
const int kProbeRow = 3; // the pieces' top row, above the text

// First and last x of the bar's pieces on the probe row; (-1, -1) when there are none.
std::pair<int, int> Filled(const windowtest::CTestCanvas& canvas)
{
    int first = -1, last = -1;
    for (int x = 0; x < canvas.Width(); ++x) {
        const COLORREF pixel = canvas.Pixel(x, kProbeRow);
        if (pixel == kCap || pixel == kMiddle) {
            if (first < 0)
                first = x;
            last = x;
        }
    }
    return {first, last};
}

} // namespace

TEST(ProgressDrawer, BarFillsItsShareBetweenCapsUnderItsText)
{
    CBitmap pieces;
    ASSERT_TRUE(pieces.LoadBitmap(IDB_UPLOAD_PROGRESS));
    CProgressDrawer drawer;
    ASSERT_TRUE(drawer.Init(2, 14, pieces, kBackground, kBorder));
    windowtest::CTestCanvas canvas(kWidth, kHeight, RGB(1, 2, 3));
    ASSERT_TRUE(canvas.IsValid());

    for (int position : {1, 2, 45, 99, 100}) {
        SCOPED_TRACE(position);
        ASSERT_TRUE(drawer.SetPos(position));
        drawer.Draw(canvas.Dc(), canvas.All());
        const auto [first, last] = Filled(canvas);
        EXPECT_EQ(first, 2);
        EXPECT_NEAR(last + 1 - 2, 200 * position / 100, 2);
        // One step shows the end cap alone.
        EXPECT_EQ(canvas.Pixel(first, kProbeRow), position == 1 ? kMiddle : kCap);
        EXPECT_EQ(canvas.Pixel(last, kProbeRow), kCap);
        if (position > 2) {
            EXPECT_EQ(canvas.Pixel((first + last) / 2, kProbeRow), kMiddle);
        }
        EXPECT_GT(canvas.Count(kText), 10);
    }

    // At 0: the frame, the background and "0%" only.
    ASSERT_TRUE(drawer.SetPos(0));
    drawer.Draw(canvas.Dc(), canvas.All());
    EXPECT_EQ(Filled(canvas), std::make_pair(-1, -1));
    EXPECT_EQ(canvas.Pixel(0, 0), kBorder);
    EXPECT_EQ(canvas.Pixel(kWidth - 1, kHeight - 1), kBorder);
    EXPECT_EQ(canvas.Pixel(3, kProbeRow), kBackground);
    EXPECT_EQ(canvas.CountOther({kBorder, kBackground, kText}, canvas.All()), 0);
    EXPECT_GT(canvas.Count(kText), 10);

    EXPECT_FALSE(drawer.SetPos(101));
    EXPECT_EQ(drawer.GetPos(), 0);
}
