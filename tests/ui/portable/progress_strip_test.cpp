#include <gtest/gtest.h>

#include "ui/portable/ProgressStrip.h"

// The drawer's own test (tests/ui) looks at drawn bars; here the pieces of the strip.
TEST(ProgressStrip, CapsCloseTheFilledShareAndDegenerateBarsDrawNothing)
{
    for (int position : {1, 2, 45, 100}) {
        SCOPED_TRACE(position);
        const SProgressStrip strip = LayoutProgressStrip(2, 200, 2, 0, 100, position);
        EXPECT_EQ(strip.fill, 2 * position);
        ASSERT_FALSE(strip.images.empty());
        EXPECT_EQ(strip.images.front().image, position == 1 ? 2 : 0);
        EXPECT_EQ(strip.images.back().image, 2);
        // The last copy carries the end cap.
        const SStripCopy& last = strip.copies.back();
        EXPECT_LE(last.sourceX, strip.images.back().x);
        EXPECT_EQ(last.sourceX + last.sourceWidth, strip.images.back().x + 2);
        if (position > 2) {
            EXPECT_EQ(last.targetX + last.targetWidth, 2 + strip.fill);
        }
    }
    EXPECT_TRUE(LayoutProgressStrip(2, 200, 2, 0, 100, 0).copies.empty());
    EXPECT_TRUE(LayoutProgressStrip(2, 200, 2, 0, 100, -5).copies.empty());
    EXPECT_EQ(LayoutProgressStrip(2, 200, 2, 0, 100, 101).done, 0); // above the maximum: the minimum
    EXPECT_TRUE(LayoutProgressStrip(2, 200, 2, 5, 5, 5).copies.empty());
    EXPECT_TRUE(LayoutProgressStrip(2, 200, 0, 0, 100, 50).copies.empty());
    EXPECT_EQ(LayoutProgressStrip(2, 3, 2, 0, 100, 50).copies.front().targetX, 2);
}
