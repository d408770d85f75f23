// Tables on the fixed canvas: the grid, spans, column and row sizes, the drawn rectangles.

#include "DrawerTestSupport.h"

namespace htmltiptest {
namespace {

class TableTest : public DrawerTest {
protected:
    void SetUp() override { UseSixteenPixels(); }
    // Cell frames in drawing order (the table's own frame first when it has a border).
    std::vector<Rect> CellFrames(bool tableFrame = true) const
    {
        std::vector<Rect> frames;
        for (std::size_t i = tableFrame ? 1 : 0; i < canvas.frames.size(); ++i)
            frames.push_back(canvas.frames[i].rect);
        return frames;
    }
};

TEST_F(TableTest, SizeAndCellRectanglesFollowSpacingBordersAndPadding)
{
    Draw("<table border=2 cellspacing=3 cellpadding=1><tr><td>ab</td><td>c</td></tr>"
         "<tr><td>d</td><td>efg</td></tr></table>");
    ASSERT_EQ(core.Records().tables.size(), 1u);
    const TableRecord& table = core.Records().tables[0];
    // Cells: content + 2 x (border 1 + padding 1); columns 20 and 28, rows 20 and 20.
    EXPECT_EQ(table.columnWidths, (std::vector<int>{20, 28}));
    EXPECT_EQ(table.rowHeights, (std::vector<int>{20, 20}));
    EXPECT_EQ(table.width, 3 + 2 - 1 + (20 + 3) + (28 + 3) + 2 * 2);
    EXPECT_EQ(table.height, 3 + 2 - 1 + (20 + 3) + (20 + 3) + 2 * 2);
    EXPECT_EQ(measured.cx, table.width + 1);

    ASSERT_EQ(canvas.frames.size(), 5u);
    EXPECT_EQ(canvas.frames[0].width, 2);
    const std::vector<Rect> cells = CellFrames();
    EXPECT_EQ(cells[0].left, 2 + 3);
    EXPECT_EQ(cells[0].right - cells[0].left, 20);
    EXPECT_EQ(cells[1].left, 2 + 3 + 20 + 3 + 1);
    EXPECT_EQ(cells[2].top, 2 + 3 + 20 + 3 + 1);
    EXPECT_EQ(canvas.frames[1].width, 1); // cells draw their frames one pixel wide
    EXPECT_EQ(Run("ab").x, cells[0].left + 2);
    EXPECT_EQ(Run("efg").y, cells[3].top + 2);
}

TEST_F(TableTest, FixedColumnsKeepTheirWidthWhenTheTableGrows)
{
    Draw("<table border=1 cellpadding=0><tr><td width=50>a</td><td>b</td></tr></table>", 300);
    const std::vector<Rect> cells = CellFrames();
    ASSERT_EQ(cells.size(), 2u);
    EXPECT_EQ(cells[0].right - cells[0].left, 52);
    EXPECT_EQ(canvas.frames[0].rect.right - canvas.frames[0].rect.left, 300);
    EXPECT_EQ(cells[1].right, 300 - 1);
}

TEST_F(TableTest, ColumnSpansShareWhatTheirColumnsLackAndTheOddPixelGoesLast)
{
    Draw("<table cellpadding=0><tr><td>a</td><td>b</td></tr><tr><td colspan=2 width=25></td></tr></table>");
    EXPECT_EQ(core.Records().tables[0].columnWidths, (std::vector<int>{12, 13}));
}

TEST_F(TableTest, RowSpansPushLaterCellsRightAndAreClippedToTheGrid)
{
    Draw("<table border=1 cellpadding=0><tr><td rowspan=2>a</td><td>b</td></tr><tr><td>c</td></tr>"
         "<tr><td rowspan=9>d</td><td colspan=2147483647>e</td><td>past</td></tr></table>");
    const TableRecord& table = core.Records().tables[0];
    EXPECT_EQ(table.columnWidths.size(), static_cast<std::size_t>(kMaxTableColumns));
    EXPECT_EQ(table.rowHeights.size(), 3u);
    const std::vector<Rect> cells = CellFrames();
    ASSERT_EQ(cells.size(), 5u);                                  // "past" has no column left
    EXPECT_EQ(cells[2].left, cells[1].left);                      // "c" sits under "b"
    EXPECT_EQ(cells[0].bottom, cells[2].bottom);                  // "a" spans both rows
    EXPECT_EQ(cells[3].bottom, canvas.frames[0].rect.bottom - 1); // "d" clipped to the last row
    EXPECT_EQ(cells[4].right, canvas.frames[0].rect.right - 1);
}

TEST_F(TableTest, CellsPlaceTheirContentByVerticalAlignment)
{
    Draw("<table cellpadding=0><tr><td height=48>tall</td><td valign=middle>m</td><td valign=bottom>b</td>"
         "<td>t</td></tr></table>");
    EXPECT_EQ(Run("m").y, 16);
    EXPECT_EQ(Run("b").y, 32 + 4); // the cell's alignment also sets its text's: baseline at the bottom
    EXPECT_EQ(Run("t").y, 0);
}

TEST_F(TableTest, NestedTablesFillTheirCellAndTextAroundTablesStacks)
{
    Draw("above<table border=1 cellpadding=0><tr><td><table border=1 cellpadding=0 bgcolor=red><tr><td>in</td>"
         "</tr></table></td><td>right side</td></tr></table>below");
    ASSERT_EQ(core.Records().tables.size(), 2u);
    ASSERT_EQ(canvas.fills.size(), 2u); // the inner table and the cell that inherits its colour
    EXPECT_EQ(canvas.fills[0].rect.top, 16 + 1 + 1);
    EXPECT_EQ(canvas.fills[0].effect, 0);
    EXPECT_EQ(Run("below").y, core.Records().tables[0].height + 16);
    EXPECT_EQ(Run("above").y, 0);
}

TEST_F(TableTest, DisabledTablesReadNoColoursAndTheirFramesTakeTheDisabledColour)
{
    core.SetEnabled(false);
    Draw("<table border=1 bgcolor=red bordercolor=blue bgeffect=hgradient><tr><td>x</td></tr></table>");
    EXPECT_TRUE(canvas.fills.empty());
    ASSERT_FALSE(canvas.frames.empty());
    EXPECT_EQ(canvas.frames[0].topLeft, kDisabledColor);
    EXPECT_EQ(canvas.frames[0].bottomRight, kDisabledColor);
}

TEST_F(TableTest, MalformedTablesDrawWhatTheyHold)
{
    // Cells outside rows are ignored; a cell runs to the next cell, row or the table's end.
    Draw("<table><td>outside</td><tr><td>a<td>b</tr><tr><td>c</table>after</table></tr></td>");
    EXPECT_EQ(AllText(), "abcafter");
    EXPECT_EQ(core.Records().tables[0].columnWidths.size(), 2u);
    Draw("<table><tr><td>unclosed");
    EXPECT_EQ(AllText(), "unclosed");
    Draw("<table></table>x");
    EXPECT_EQ(AllText(), "x");
}

} // namespace
} // namespace htmltiptest
