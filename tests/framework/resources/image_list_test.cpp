#include <gtest/gtest.h>

#include "framework/ImageList.h"
#include "image_list_ids.h"

namespace {

const COLORREF kBackground = RGB(1, 2, 3);

// Draws one image over a plain background and reads one pixel of the result.
COLORREF DrawnPixel(HIMAGELIST list, int image, int x, int y)
{
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP target = CreateCompatibleBitmap(screen, 8, 8);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, target);
    HBRUSH brush = CreateSolidBrush(kBackground);
    RECT all = {0, 0, 8, 8};
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    ImageList_Draw(list, image, dc, 0, 0, ILD_TRANSPARENT);
    const COLORREF colour = GetPixel(dc, x, y);
    SelectObject(dc, old);
    DeleteObject(target);
    DeleteDC(dc);
    return colour;
}

} // namespace

TEST(ImageList, FillsFromABitmapStripWithItsMaskColour)
{
    CImageList list;
    ASSERT_TRUE(list.CreateFromBitmap(IDB_TEST_STRIP, 8, 8, 2, RGB(255, 0, 255)));
    ASSERT_NE(nullptr, list.GetSafeHandle());
    EXPECT_EQ(2, list.GetImageCount());
    int cx = 0;
    int cy = 0;
    ASSERT_TRUE(list.GetIconSize(&cx, &cy));
    EXPECT_EQ(8, cx);
    EXPECT_EQ(8, cy);

    // The magenta bottom-left corner of the first image is masked out; the rest is drawn.
    EXPECT_EQ(kBackground, DrawnPixel(list, 0, 1, 6));
    EXPECT_EQ(RGB(200, 0, 0), DrawnPixel(list, 0, 1, 1));
    EXPECT_EQ(RGB(200, 0, 0), DrawnPixel(list, 0, 6, 6));
    EXPECT_EQ(RGB(0, 180, 0), DrawnPixel(list, 1, 1, 6));
}

TEST(ImageList, HeightZeroTakesTheBitmapsOwn)
{
    CImageList list;
    ASSERT_TRUE(list.CreateFromBitmap(IDB_TEST_STRIP, 4, 0, 1, RGB(255, 0, 255)));
    int cx = 0;
    int cy = 0;
    ASSERT_TRUE(list.GetIconSize(&cx, &cy));
    EXPECT_EQ(4, cx);
    EXPECT_EQ(8, cy);
    EXPECT_EQ(4, list.GetImageCount());
}

TEST(ImageList, MissingBitmapLeavesNoList)
{
    CImageList list;
    EXPECT_FALSE(list.CreateFromBitmap(IDB_TEST_MISSING, 8, 8, 2, RGB(255, 0, 255)));
    EXPECT_EQ(nullptr, list.GetSafeHandle());
}
