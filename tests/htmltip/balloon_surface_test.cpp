// A balloon's pictures: its region, background, shadow and the frames composed over a backdrop.

#include <gtest/gtest.h>

#include "framework/Rgn.h"
#include "htmltip/BalloonSurface.h"
#include "htmltip/PPDrawManager.h"
#include "window/Canvas.h"

using windowtest::CTestCanvas;

namespace {
const int kBalloon[BALLOON_SIZE_COUNT] = {16, 16, 12, 12, 12, 16, 16, 0, 0};
const COLORREF kFill = RGB(250, 240, 200);
const COLORREF kBackdrop = RGB(40, 120, 200);
const COLORREF kInk = RGB(200, 0, 0);
const SBalloonFill kSolid = {FILL_EFFECT_SOLID, 0, kFill, kFill, kFill};
const SBalloonShadow kShadow = {6, 6, 50, true, 7, 7};
} // namespace

TEST(BalloonSurface, RegionHoldsBodyAndPointerAndTheShadowWidensTheWindow)
{
    CPPDrawManager draw;
    CTestCanvas screen(400, 300, kBackdrop);
    for (int direction : {0, 17, 34, 48}) {
        const SBalloonLayout layout =
            PlaceBalloon(direction, {200, 150}, 120, 60, kBalloon, SBalloonRect{0, 0, 400, 300});
        CBalloonSurface surface;
        ASSERT_TRUE(surface.Build(screen.Dc(), layout, kBalloon, kSolid, kShadow, draw));
        const SIZE size = surface.WindowSize();
        EXPECT_EQ(layout.window.Width() + 6, size.cx);
        EXPECT_EQ(layout.window.Height() + 6, size.cy);

        CRgn window;
        ASSERT_TRUE(window.Attach(surface.CreateWindowRegion()));
        const SBalloonRect& b = layout.body;
        EXPECT_TRUE(window.PtInRegion((b.left + b.right) / 2, (b.top + b.bottom) / 2));
        // Rounded corners: the body's very corner is outside, its shadowed copy's corner too.
        EXPECT_FALSE(window.PtInRegion(b.left, b.top)) << direction;
        // The pointer, one pixel in from its tip towards the body.
        const int inX = layout.tip.x + (direction >= 48 ? -2 : direction >= 32 ? 1 : 0);
        const int inY = layout.tip.y + (direction < 16 ? 1 : direction < 32 ? -2 : 0);
        EXPECT_TRUE(window.PtInRegion(inX, inY)) << direction;
        // Beside the pointer, in its strip, the backdrop shows.
        if (direction < 32) {
            EXPECT_FALSE(window.PtInRegion(layout.tip.x > 60 ? 2 : size.cx - 12, inY)) << direction;
        }
    }
}

TEST(BalloonSurface, FramesShowContentOverBackgroundAndShadowOverTheBackdrop)
{
    CPPDrawManager draw;
    CTestCanvas screen(400, 300, kBackdrop);
    const SBalloonLayout layout = PlaceBalloon(0, {100, 50}, 120, 60, kBalloon, SBalloonRect{0, 0, 400, 300});
    CBalloonSurface surface;
    ASSERT_TRUE(surface.Build(screen.Dc(), layout, kBalloon, kSolid, kShadow, draw));
    ASSERT_TRUE(surface.CaptureBackdrop(screen.Dc(), layout.window.left, layout.window.top));
    const SIZE size = surface.WindowSize();
    const SBalloonRect& b = layout.body;
    const RECT content = {b.left + 12, b.top + 12, b.right - 12, b.bottom - 12};
    auto ink = [&](HDC dc) {
        HBRUSH brush = CreateSolidBrush(kInk);
        FillRect(dc, &content, brush);
        DeleteObject(brush);
    };

    CTestCanvas window(size.cx, size.cy, RGB(0, 0, 0));
    surface.Compose(window.Dc(), 0, ink, draw);
    EXPECT_EQ(kInk, window.Pixel(60, 40));
    EXPECT_EQ(kFill, window.Pixel(b.left + 5, b.top + 30)) << "the margin shows the fill";
    EXPECT_EQ(kFill, window.Pixel(layout.tip.x + 2, layout.tip.y + 6)) << "and so does the pointer";
    EXPECT_EQ(kBackdrop, window.Pixel(1, 1)) << "outside the region, the backdrop";
    EXPECT_EQ(kBackdrop, window.Pixel(size.cx - 1, 2));
    // The shadow strip along the right and the bottom: darker than the backdrop, never black.
    for (POINT p : {POINT{size.cx - 3, (b.top + b.bottom) / 2}, POINT{60, size.cy - 3}}) {
        const COLORREF shade = window.Pixel(p.x, p.y);
        EXPECT_LT(GetBValue(shade), GetBValue(kBackdrop)) << p.x << "," << p.y;
        EXPECT_GT(GetBValue(shade), 0) << p.x << "," << p.y;
    }
    // Half transparent: the content half over the backdrop (and the shadow beneath it); fully
    // transparent: the backdrop alone.
    surface.Compose(window.Dc(), 50, ink, draw);
    const COLORREF half = window.Pixel(60, 40);
    EXPECT_GT(GetRValue(half), 100);
    EXPECT_LT(GetRValue(half), 200);
    EXPECT_GT(GetBValue(half), 40);
    EXPECT_LT(GetBValue(half), 100);
    surface.Compose(window.Dc(), 100, ink, draw);
    EXPECT_EQ(kBackdrop, window.Pixel(60, 40));
    EXPECT_EQ(kBackdrop, window.Pixel(size.cx - 3, (b.top + b.bottom) / 2));
}
