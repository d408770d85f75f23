#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "widgets/portable/DarkBlockSearch.h"

namespace {

const std::uint32_t kTrayGrey = 0x00C0C0C0;

// A tray-coloured area into which a test paints blocks.
class CArea {
public:
    CArea(int width, int height) : m_width(width), m_height(height), m_pixels(width * height, kTrayGrey) {}

    void Paint(int left, int top, int width, int height, std::uint32_t colour = 0)
    {
        for (int y = top; y < top + height; ++y)
            for (int x = left; x < left + width; ++x)
                m_pixels[y * m_width + x] = colour;
    }

    bool Find(int* x, int* y) const
    {
        widgets::SPixelView view;
        view.pixels = m_pixels.data();
        view.width = m_width;
        view.height = m_height;
        view.stride = m_width;
        return widgets::FindDarkBlock(view, x, y);
    }

private:
    int m_width;
    int m_height;
    std::vector<std::uint32_t> m_pixels;
};

} // namespace

TEST(DarkBlockSearch, NeedsNineDarkColumnsEachDarkTwoRowsAboveAndBelow)
{
    int x = -1;
    int y = -1;
    CArea eight(40, 20);
    eight.Paint(10, 5, 8, 5);
    EXPECT_FALSE(eight.Find(&x, &y)) << "eight columns are not the probe";

    CArea nine(40, 20);
    nine.Paint(10, 5, 9, 5);
    ASSERT_TRUE(nine.Find(&x, &y));
    // The lowest row whose rows 2 above and below are dark is 7; its ninth column is 18.
    EXPECT_EQ(17, x);
    EXPECT_EQ(1, y);

    // Only four rows high: no row has dark pixels both two above and two below.
    CArea flat(40, 20);
    flat.Paint(10, 5, 12, 4);
    EXPECT_FALSE(flat.Find(&x, &y));
    // Rows 5, 7 and 9 dark, the rows between them light: still the block.
    CArea striped(40, 20);
    striped.Paint(10, 5, 9, 1);
    striped.Paint(10, 7, 9, 1);
    striped.Paint(10, 9, 9, 1);
    ASSERT_TRUE(striped.Find(&x, &y));
    EXPECT_EQ(1, y);

    // A light column in the middle starts the count again.
    CArea broken(40, 20);
    broken.Paint(10, 5, 17, 5);
    broken.Paint(18, 5, 1, 5, kTrayGrey);
    EXPECT_FALSE(broken.Find(&x, &y));
}

TEST(DarkBlockSearch, DarkMeansEveryChannelAtMostThree)
{
    int x = 0;
    int y = 0;
    CArea three(30, 12);
    three.Paint(2, 2, 9, 5, 0x00030303);
    EXPECT_TRUE(three.Find(&x, &y));
    for (std::uint32_t light : {0x00040000u, 0x00000400u, 0x00000004u}) {
        CArea four(30, 12);
        four.Paint(2, 2, 9, 5, 0x00030303);
        four.Paint(6, 2, 1, 5, light);
        EXPECT_FALSE(four.Find(&x, &y)) << std::hex << light;
    }
    EXPECT_TRUE(widgets::IsDarkPixel(0xFF000000)) << "the fourth byte is no colour";
}

TEST(DarkBlockSearch, FindsBlocksAtTheAreasEdgesAndTheLowestFirst)
{
    int x = 0;
    int y = 0;
    // Right edge, bottom rows: the search starts on the third row from the bottom.
    CArea corner(30, 12);
    corner.Paint(21, 7, 9, 5);
    ASSERT_TRUE(corner.Find(&x, &y));
    EXPECT_EQ(28, x);
    EXPECT_EQ(3, y);

    // Left edge, top rows: row 1 is the last searched; a pixel above the area is not dark.
    CArea top(30, 12);
    top.Paint(0, 0, 9, 4);
    EXPECT_FALSE(top.Find(&x, &y));
    top.Paint(0, 0, 9, 5);
    ASSERT_TRUE(top.Find(&x, &y));
    EXPECT_EQ(7, x);
    EXPECT_EQ(-4, y);

    // Of two blocks the lower one is found.
    CArea two(40, 30);
    two.Paint(2, 2, 9, 5);
    two.Paint(20, 20, 9, 5);
    ASSERT_TRUE(two.Find(&x, &y));
    EXPECT_EQ(27, x);

    widgets::SPixelView empty;
    EXPECT_FALSE(widgets::FindDarkBlock(empty, &x, &y));
}
