#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "widgets/portable/DarkBlockSearch.h"

namespace {

struct SBlock {
    int left, top, width, height;
    std::uint32_t colour;
};

// A grey 40 x 20 area with blocks painted in turn; the search's answer, or (-1, -1).
std::pair<int, int> Search(std::initializer_list<SBlock> blocks)
{
    const int width = 40, height = 20;
    std::vector<std::uint32_t> pixels(width * height, 0x00C0C0C0);
    for (const SBlock& b : blocks)
        for (int y = b.top; y < b.top + b.height; ++y)
            for (int x = b.left; x < b.left + b.width; ++x)
                pixels[y * width + x] = b.colour;
    widgets::SPixelView view;
    view.pixels = pixels.data();
    view.width = width;
    view.height = height;
    view.stride = width;
    int x = -1, y = -1;
    return widgets::FindDarkBlock(view, &x, &y) ? std::make_pair(x, y) : std::make_pair(-1, -1);
}

const std::pair<int, int> kNone(-1, -1);

} // namespace

TEST(DarkBlockSearch, NineDarkColumnsWithDarkRowsTwoAboveAndBelowMakeTheProbe)
{
    // Rows 5..9: the lowest row with dark rows two above and below is 7; its ninth column is 18.
    EXPECT_EQ(std::make_pair(17, 1), Search({{10, 5, 9, 5, 0}}));
    EXPECT_EQ(kNone, Search({{10, 5, 8, 5, 0}})) << "eight columns";
    EXPECT_EQ(kNone, Search({{10, 5, 12, 4, 0}})) << "four rows";
    EXPECT_EQ(std::make_pair(17, 1), Search({{10, 5, 9, 1, 0}, {10, 7, 9, 1, 0}, {10, 9, 9, 1, 0}}))
        << "only the rows two apart count";
    EXPECT_EQ(kNone, Search({{10, 5, 17, 5, 0}, {18, 5, 1, 5, 0xC0C0C0}})) << "a light column starts again";
    EXPECT_EQ(std::make_pair(17, 1), Search({{10, 5, 9, 5, 0x030303}})) << "3 is dark";
    for (std::uint32_t light : {0x040000u, 0x000400u, 0x000004u})
        EXPECT_EQ(kNone, Search({{10, 5, 9, 5, 0x030303}, {14, 5, 1, 5, light}})) << std::hex << light;
    EXPECT_TRUE(widgets::IsDarkPixel(0xFF000000)) << "the fourth byte is no colour";
}

TEST(DarkBlockSearch, BlocksAtTheAreasEdgesAndTheLowestOfTwo)
{
    EXPECT_EQ(std::make_pair(38, 11), Search({{31, 15, 9, 5, 0}})) << "bottom right: from the third row up";
    EXPECT_EQ(std::make_pair(7, -4), Search({{0, 0, 9, 5, 0}})) << "top left: row 1 is the last searched";
    EXPECT_EQ(kNone, Search({{0, 0, 9, 4, 0}})) << "above the area nothing is dark";
    EXPECT_EQ(std::make_pair(27, 8), Search({{2, 2, 9, 5, 0}, {20, 12, 9, 5, 0}}));
    widgets::SPixelView empty;
    int x = 0, y = 0;
    EXPECT_FALSE(widgets::FindDarkBlock(empty, &x, &y));
}
