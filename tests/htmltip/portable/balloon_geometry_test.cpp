// Where a balloon goes on the screen: directions, flips near the edges, pointer and body.

#include <gtest/gtest.h>

#include "htmltip/portable/BalloonGeometry.h"

namespace {
const SBalloonRect kScreen = {0, 0, 1024, 768};
const int kBalloon[BALLOON_SIZE_COUNT] = {16, 16, 12, 12, 12, 16, 16, 0, 0};

bool Inside(const SBalloonRect& outer, const SBalloonRect& inner)
{
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}
bool Inside(const SBalloonRect& outer, SBalloonPoint p)
{
    return p.x >= outer.left && p.y >= outer.top && p.x <= outer.right && p.y <= outer.bottom;
}
} // namespace

TEST(BalloonGeometry, EveryDirectionNearEveryEdgeStaysOnScreenAndPointsAtThePoint)
{
    const int directions[] = {0, 1, 2, 16, 17, 18, 32, 33, 34, 48, 49, 50};
    const int xs[] = {0, 3, 5, 40, 300, 512, 700, 1000, 1018, 1023};
    const int ys[] = {0, 4, 60, 384, 700, 760, 767};
    for (int direction : directions) {
        for (int x : xs) {
            for (int y : ys) {
                const SBalloonLayout l = PlaceBalloon(direction, {x, y}, 200, 80, kBalloon, kScreen);
                const bool vertical = l.direction >= 32;
                EXPECT_EQ(vertical, direction >= 32) << "the pointer keeps to its kind of edge";
                const SBalloonRect inWindow = {0, 0, l.window.Width(), l.window.Height()};
                EXPECT_EQ(vertical ? 216 : 200, l.window.Width());
                EXPECT_EQ(vertical ? 80 : 96, l.window.Height());
                // Along the pointer's edge the window is always on the screen.
                if (vertical) {
                    EXPECT_GE(l.window.top, 0);
                    EXPECT_LE(l.window.bottom, 768);
                } else {
                    EXPECT_GE(l.window.left, 0);
                    EXPECT_LE(l.window.right, 1024);
                }
                EXPECT_EQ(x, l.window.left + l.tip.x) << direction << " at " << x << "," << y;
                EXPECT_EQ(y, l.window.top + l.tip.y) << direction << " at " << x << "," << y;
                EXPECT_TRUE(Inside(inWindow, l.body));
                ASSERT_TRUE(l.hasPointer);
                for (const SBalloonPoint& p : l.pointer)
                    EXPECT_TRUE(Inside(inWindow, p));
                // The base lies on the body's edge, 12 long.
                EXPECT_EQ(12, vertical ? l.pointer[2].y - l.pointer[1].y : l.pointer[2].x - l.pointer[1].x);
                // The body is on the side of the point the direction says.
                switch (l.direction & 0x30) {
                case 0:
                    EXPECT_EQ(y, l.window.top);
                    EXPECT_EQ(16, l.body.top);
                    break;
                case 16:
                    EXPECT_EQ(y, l.window.bottom);
                    EXPECT_EQ(80, l.body.bottom);
                    break;
                case 32:
                    EXPECT_EQ(x, l.window.left);
                    break;
                default:
                    EXPECT_EQ(x, l.window.right);
                }
            }
        }
    }
}

TEST(BalloonGeometry, FlipsAndPointerMovesFollowTheRules)
{
    // 5 pixels from the right edge, above: the pointer goes near the right corner, and the
    // window stays on the screen (the pointer moving with the point).
    SBalloonLayout l = PlaceBalloon(16, {1019, 400}, 200, 80, kBalloon, kScreen);
    EXPECT_EQ(17, l.direction);
    EXPECT_EQ(1024, l.window.right);
    EXPECT_EQ(400, l.window.bottom);
    // A balloon nearly as wide as the screen fits neither way: centred, moved onto the screen.
    l = PlaceBalloon(16, {500, 400}, 1010, 80, kBalloon, kScreen);
    EXPECT_EQ(18, l.direction);
    EXPECT_EQ(0, l.window.left);
    EXPECT_EQ(500, l.tip.x);
    // Near the top, above becomes below.
    l = PlaceBalloon(16, {500, 30}, 200, 80, kBalloon, kScreen);
    EXPECT_EQ(0, l.direction);
    EXPECT_EQ(30, l.window.top);
    EXPECT_EQ(16, l.tip.x);
    // Near the left edge a pointer near the right corner turns to the left one.
    EXPECT_EQ(16, PlaceBalloon(17, {10, 400}, 200, 80, kBalloon, kScreen).direction);
    // A centred pointer within the margin of an edge moves near that corner.
    EXPECT_EQ(16, PlaceBalloon(18, {10, 400}, 200, 80, kBalloon, kScreen).direction);
    EXPECT_EQ(17, PlaceBalloon(18, {1015, 400}, 200, 80, kBalloon, kScreen).direction);
    // Centred away from the edges: the tip in the middle of the bottom edge.
    l = PlaceBalloon(18, {500, 400}, 200, 80, kBalloon, kScreen);
    EXPECT_EQ(100, l.tip.x);
    EXPECT_EQ(94, l.pointer[1].x);
    // Side directions flip across the point and move their pointer along the height.
    EXPECT_EQ(48, PlaceBalloon(32, {1000, 400}, 200, 80, kBalloon, kScreen).direction);
    EXPECT_EQ(32, PlaceBalloon(48, {20, 400}, 200, 80, kBalloon, kScreen).direction);
    EXPECT_EQ(33, PlaceBalloon(32, {500, 740}, 200, 80, kBalloon, kScreen).direction);
    l = PlaceBalloon(34, {500, 400}, 200, 80, kBalloon, kScreen);
    EXPECT_EQ(40, l.tip.y);
    EXPECT_EQ(16, l.body.left);
    // Unknown codes are made valid.
    EXPECT_EQ(16, NormaliseBalloonDirection(-1));
    EXPECT_EQ(16, NormaliseBalloonDirection(99));
    EXPECT_EQ(32, NormaliseBalloonDirection(35));
    // A rectangle tooltip (no pointer) has no triangle and its body is its window.
    const int rectangle[BALLOON_SIZE_COUNT] = {0, 0, 3, 1, 0, 0, 0, 0, 0};
    l = PlaceBalloon(16, {500, 400}, 100, 20, rectangle, kScreen);
    EXPECT_FALSE(l.hasPointer);
    EXPECT_EQ(100, l.body.Width());
    EXPECT_EQ(20, l.window.Height());
}

TEST(BalloonGeometry, BodyIsTheContentWithMarginsCutToTheScreen)
{
    SBalloonPoint body = BalloonBodySize(100, 40, kBalloon, 16, kScreen, 6, 6);
    EXPECT_EQ(124, body.x);
    EXPECT_EQ(64, body.y);
    // Huge content is cut so that pointer and shadow still fit.
    body = BalloonBodySize(5000, 2147483647, kBalloon, 16, kScreen, 6, 6);
    EXPECT_EQ(1024 - 6, body.x);
    EXPECT_EQ(768 - 6 - 16, body.y);
    body = BalloonBodySize(5000, 5000, kBalloon, 32, kScreen, 6, 6);
    EXPECT_EQ(1024 - 6 - 16, body.x);
    EXPECT_EQ(768 - 6, body.y);
    body = BalloonBodySize(-5, -5, kBalloon, 16, kScreen, 0, 0);
    EXPECT_EQ(24, body.x);
}
