#include <algorithm>

#include <gtest/gtest.h>

#include "ui/portable/ProgressStrip.h"

namespace {

const int kImageWidth = 2;
const int kInnerLeft = 2;
const int kInnerWidth = 196; // a 200-pixel bar less its frame and gap

} // namespace

TEST(ProgressStrip, FilledPartEndsInCapsAtBothEndsOfItsShare)
{
    for (int position : {1, 2, 3, 45, 99, 100}) {
        SCOPED_TRACE(position);
        const SProgressStrip strip = LayoutProgressStrip(kInnerLeft, kInnerWidth, kImageWidth, 0, 100, position);
        EXPECT_EQ(strip.done, position);
        EXPECT_EQ(strip.stripWidth, 101 * kImageWidth);
        const int expected = kInnerWidth * position / 100;
        EXPECT_NEAR(strip.fill, expected, 1);

        // The copies cover [inner left, inner left + extent) without a gap.
        ASSERT_FALSE(strip.copies.empty());
        int covered = kInnerLeft;
        for (const SStripCopy& copy : strip.copies) {
            EXPECT_LE(copy.targetX, covered);
            covered = std::max(covered, copy.targetX + copy.targetWidth);
            EXPECT_GE(copy.sourceX, 0);
            EXPECT_LE(copy.sourceX + copy.sourceWidth, strip.stripWidth);
        }
        EXPECT_EQ(strip.copies.front().targetX, kInnerLeft);
        if (position > 2) {
            EXPECT_NEAR(covered - kInnerLeft, expected, kImageWidth);
        }

        // The strip starts with the start cap (a single step shows only the end cap) and ends
        // with the end cap, which is also the last piece copied.
        ASSERT_FALSE(strip.images.empty());
        EXPECT_EQ(strip.images.front().image, position == 1 ? 2 : 0);
        EXPECT_EQ(strip.images.back().image, 2);
        const int endCapX = strip.images.back().x;
        EXPECT_EQ(strip.copies.back().sourceX + strip.copies.back().sourceWidth, endCapX + kImageWidth);
        for (size_t i = 1; i + 1 < strip.images.size(); ++i)
            EXPECT_EQ(strip.images[i].image, 1);
    }
}

TEST(ProgressStrip, NothingIsFilledAtZeroOrWhenNothingCanBeDrawn)
{
    EXPECT_TRUE(LayoutProgressStrip(kInnerLeft, kInnerWidth, kImageWidth, 0, 100, 0).copies.empty());
    EXPECT_TRUE(LayoutProgressStrip(kInnerLeft, kInnerWidth, kImageWidth, 0, 100, -5).copies.empty());
    // A position above the maximum falls back to the minimum.
    const SProgressStrip above = LayoutProgressStrip(kInnerLeft, kInnerWidth, kImageWidth, 0, 100, 101);
    EXPECT_EQ(above.done, 0);
    EXPECT_TRUE(above.copies.empty());
    // An empty range or image cannot be divided by.
    EXPECT_TRUE(LayoutProgressStrip(kInnerLeft, kInnerWidth, kImageWidth, 5, 5, 5).copies.empty());
    EXPECT_TRUE(LayoutProgressStrip(kInnerLeft, kInnerWidth, 0, 0, 100, 50).copies.empty());
    // A bar narrower than its caps still starts at its left edge.
    const SProgressStrip narrow = LayoutProgressStrip(kInnerLeft, 3, kImageWidth, 0, 100, 50);
    EXPECT_EQ(narrow.copies.front().targetX, kInnerLeft);
}
