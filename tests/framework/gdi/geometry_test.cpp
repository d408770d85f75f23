#include <gtest/gtest.h>

#include "framework/Rect.h"

TEST(Geometry, RectanglesMoveShrinkAndMeet)
{
    CRect r(10, 20, 110, 70);
    EXPECT_EQ(CSize(100, 50), r.Size());
    EXPECT_EQ(CPoint(60, 45), r.CenterPoint());
    r.DeflateRect(1, 2);
    EXPECT_EQ(CRect(11, 22, 109, 68), r);
    r.OffsetRect(CPoint(-11, -22));
    EXPECT_EQ(CRect(0, 0, 98, 46), r);
    EXPECT_TRUE(r.PtInRect(CPoint(0, 0)));
    EXPECT_FALSE(r.PtInRect(CPoint(98, 10))) << "right edge is outside";

    CRect both;
    EXPECT_TRUE(both.IntersectRect(r, CRect(50, 40, 200, 200)));
    EXPECT_EQ(CRect(50, 40, 98, 46), both);
    EXPECT_FALSE(both.IntersectRect(r, CRect(200, 200, 300, 300)));
    EXPECT_TRUE(both.IsRectEmpty());

    CRect flipped(5, 5, 1, 2);
    flipped.NormalizeRect();
    EXPECT_EQ(CRect(1, 2, 5, 5), flipped);
    EXPECT_EQ(CRect(3, 4, 13, 24), CRect(CPoint(3, 4), CSize(10, 20)));
}

TEST(Geometry, PointsFromMessagesKeepTheirSign)
{
    // Mouse positions left of or above a window arrive as negative 16-bit halves.
    const CPoint p(static_cast<LPARAM>(MAKELONG(static_cast<WORD>(-5), 7)));
    EXPECT_EQ(CPoint(-5, 7), p);
    EXPECT_EQ(CSize(-8, 3), p - CPoint(3, 4));
    EXPECT_EQ(CPoint(-4, 9), p + CSize(1, 2));
}
