#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "ui/portable/ListRowMap.h"

namespace {

using Rows = std::vector<std::pair<int, int>>;

// Two groups of 2 and 3 items.
CListRowMap TwoGroups()
{
    CListRowMap map;
    int change = 0;
    map.InsertGroup(0);
    map.InsertGroup(1);
    map.SetItemCount(0, 2, &change);
    map.SetItemCount(1, 3, &change);
    return map;
}

// (group, position) of every row and of the one past the end.
Rows Mapped(const CListRowMap& map)
{
    Rows rows;
    for (int row = 0; row <= map.RowCount(); ++row)
        rows.emplace_back(map.RowToGroup(row), map.RowToPosition(row));
    return rows;
}

std::pair<int, int> Span(SRowSpan span)
{
    return {span.first, span.count};
}

} // namespace

TEST(ListRowMap, RowsMapBothWaysWithAndWithoutTheStatusLineAndCollapsedGroups)
{
    const struct {
        bool statusLine, collapseFirst;
        Rows rows;
    } cases[] = {
        {false, false, {{0, 0}, {0, 1}, {0, 2}, {1, 0}, {1, 1}, {1, 2}, {1, 3}, {-1, -1}}},
        {true, false, {{-1, -1}, {0, 0}, {0, 1}, {0, 2}, {1, 0}, {1, 1}, {1, 2}, {1, 3}, {-1, -1}}},
        {false, true, {{0, 0}, {1, 0}, {1, 1}, {1, 2}, {1, 3}, {-1, -1}}},
        {true, true, {{-1, -1}, {0, 0}, {1, 0}, {1, 1}, {1, 2}, {1, 3}, {-1, -1}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "status line " << c.statusLine << ", collapsed " << c.collapseFirst);
        CListRowMap map = TwoGroups();
        map.ShowStatusLine(c.statusLine);
        bool expanded = true;
        if (c.collapseFirst)
            map.ToggleExpanded(0, &expanded);
        EXPECT_EQ(Mapped(map), c.rows);
        for (const auto& [group, position] : c.rows) {
            if (group >= 0) {
                EXPECT_EQ(map.RowToPosition(map.PositionToRow(position, group)), position);
            }
        }
        // No row for an item of a collapsed group, a group that does not exist or a negative place.
        EXPECT_EQ(map.PositionToRow(1, 0) < 0, c.collapseFirst);
        EXPECT_EQ(map.PositionToRow(4, 1), -1);
        EXPECT_EQ(map.PositionToRow(0, 2), -1);
        EXPECT_EQ(map.PositionToRow(-1, 0), -1);
    }
    EXPECT_EQ(CListRowMap().RowToGroup(0), -1);
}

TEST(ListRowMap, ChangesAnswerTheirRowsAndKeyboardNeighboursSkipGroupRows)
{
    CListRowMap map = TwoGroups();
    EXPECT_EQ(Span(map.ShowStatusLine(true)), std::make_pair(0, 1));
    EXPECT_EQ(Span(map.ShowStatusLine(true)), std::make_pair(0, 0));
    // Rows: 0 status, 1 group 0, 2-3 items, 4 group 1, 5-7 items.
    int change = 0;
    EXPECT_EQ(Span(map.SetItemCount(0, 4, &change)), std::make_pair(4, 2));
    EXPECT_EQ(Span(map.SetItemCount(0, 2, &change)), std::make_pair(4, 2));
    EXPECT_EQ(change, -2);
    bool expanded = true;
    EXPECT_EQ(Span(map.ToggleExpanded(1, &expanded)), std::make_pair(5, 3));
    EXPECT_EQ(Span(map.SetItemCount(1, 5, &change)), std::make_pair(0, 0)); // collapsed: no rows
    EXPECT_EQ(change, 2);
    EXPECT_EQ(Span(map.ToggleExpanded(1, &expanded)), std::make_pair(5, 5));
    EXPECT_EQ(Span(map.InsertGroup(9)), std::make_pair(10, 1)); // clamped to the end
    EXPECT_EQ(Span(map.DeleteGroup(1)), std::make_pair(4, 6));
    EXPECT_EQ(Span(map.DeleteGroup(5)), std::make_pair(0, 0));

    map = TwoGroups();
    map.ShowStatusLine(true);
    EXPECT_EQ(map.NextItemRow(3), 5);
    EXPECT_EQ(map.PreviousItemRow(5), 3);
    EXPECT_EQ(map.PreviousItemRow(2), -1);
    EXPECT_EQ(map.NextItemRow(-1), 2);
    map.ToggleExpanded(1, &expanded);
    EXPECT_EQ(map.NextItemRow(3), -1);
    map.ToggleExpanded(0, &expanded);
    for (int row = -1; row <= map.RowCount(); ++row) {
        EXPECT_EQ(map.NextItemRow(row), -1);
        EXPECT_EQ(map.PreviousItemRow(row), -1);
    }
}
