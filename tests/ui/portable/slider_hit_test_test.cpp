#include <gtest/gtest.h>

#include "ui/portable/SliderHitTest.h"

TEST(SliderHitTest, EachThirdNamesItsPositionAndOnlyTheThumbCounts)
{
    const int width = 40, height = 150, thumbWidth = 14, thumbHeight = 30; // thirds of 50 pixels
    struct SCase {
        int x, y, position;
        bool onThumb;
    };
    const SCase cases[] = {
        {20, 0, 0, false},   {20, 49, 0, false},   {20, 50, 1, false},  {20, 99, 1, false},
        {20, 100, 2, false}, {20, 149, 2, false},  {13, 10, 0, true},   {26, 39, 0, true},
        {27, 20, 0, false},  {12, 20, 0, false},   {20, 57, 1, true},   {20, 104, 2, true},
        {-1, 20, -1, false}, {20, 150, -1, false}, {40, 20, -1, false}, {20, -1, -1, false},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
        const SSliderHit hit = SliderHitTest(c.x, c.y, width, height, thumbWidth, thumbHeight);
        EXPECT_EQ(hit.position, c.position);
        EXPECT_EQ(hit.onThumb, c.onThumb);
    }
    // A client too small to divide still answers a valid position.
    EXPECT_EQ(SliderHitTest(0, 1, 5, 2, thumbWidth, thumbHeight).position, 1);
}
