#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "ui/portable/ListRowMap.h"

namespace {

// Two groups: 2 items and 3 items.
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

// (group, position) of every row, in row order.
std::vector<std::pair<int, int>> Rows(const CListRowMap& map)
{
    std::vector<std::pair<int, int>> rows;
    for (int row = 0; row < map.RowCount() + 1; ++row)
        rows.emplace_back(map.RowToGroup(row), map.RowToPosition(row));
    return rows;
}

} // namespace

TEST(ListRowMap, RowsMapBothWaysWithAndWithoutTheStatusLineAndCollapsedGroups)
{
    using Rows_ = std::vector<std::pair<int, int>>;
    struct SCase {
        bool statusLine;
        bool collapseFirst;
        Rows_ rows; // row -> (group, position), one past the end included
    };
    const SCase cases[] = {
        {false, false, {{0, 0}, {0, 1}, {0, 2}, {1, 0}, {1, 1}, {1, 2}, {1, 3}, {-1, -1}}},
        {true, false, {{-1, -1}, {0, 0}, {0, 1}, {0, 2}, {1, 0}, {1, 1}, {1, 2}, {1, 3}, {-1, -1}}},
        {false, true, {{0, 0}, {1, 0}, {1, 1}, {1, 2}, {1, 3}, {-1, -1}}},
        {true, true, {{-1, -1}, {0, 0}, {1, 0}, {1, 1}, {1, 2}, {1, 3}, {-1, -1}}},
    };
    for (const SCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "status line " << c.statusLine << ", first collapsed " << c.collapseFirst);
        CListRowMap map = TwoGroups();
        map.ShowStatusLine(c.statusLine);
        bool expanded = true;
        if (c.collapseFirst)
            map.ToggleExpanded(0, &expanded);
        EXPECT_EQ(Rows(map), c.rows);
        for (int row = 0; row < map.RowCount(); ++row) {
            const int group = map.RowToGroup(row);
            if (group >= 0) {
                EXPECT_EQ(map.PositionToRow(map.RowToPosition(row), group), row);
            }
        }
        // Items of a collapsed group, groups that do not exist and negative positions have no row.
        EXPECT_EQ(map.PositionToRow(1, 0) < 0, c.collapseFirst);
        EXPECT_EQ(map.PositionToRow(4, 1), -1);
        EXPECT_EQ(map.PositionToRow(0, 2), -1);
        EXPECT_EQ(map.PositionToRow(-1, 0), -1);
        EXPECT_EQ(map.RowToGroup(-1), -1);
    }
    CListRowMap empty;
    EXPECT_EQ(empty.RowToGroup(0), -1);
    EXPECT_EQ(empty.PositionToRow(0, 0), -1);
}

TEST(ListRowMap, ChangesAnswerTheRowsTheListMustInsertOrDelete)
{
    CListRowMap map = TwoGroups();
    auto span = [](SRowSpan s) { return std::make_pair(s.first, s.count); };

    // The status line is one row, however often it is shown; hiding it twice deletes one row.
    EXPECT_EQ(span(map.ShowStatusLine(true)), std::make_pair(0, 1));
    EXPECT_EQ(span(map.ShowStatusLine(true)), std::make_pair(0, 0));
    EXPECT_EQ(span(map.ShowStatusLine(false)), std::make_pair(0, 1));
    EXPECT_EQ(span(map.ShowStatusLine(false)), std::make_pair(0, 0));
    map.ShowStatusLine(true);

    // Growing and shrinking happen at the group's end and report the change.
    int change = 0;
    EXPECT_EQ(span(map.SetItemCount(0, 4, &change)), std::make_pair(4, 2));
    EXPECT_EQ(change, 2);
    EXPECT_EQ(span(map.SetItemCount(0, 1, &change)), std::make_pair(3, 3));
    EXPECT_EQ(change, -3);
    EXPECT_EQ(map.SetItemCount(0, 1, &change).count, 0);
    EXPECT_EQ(change, 0);
    EXPECT_EQ(span(map.SetItemCount(5, 1, &change)), std::make_pair(0, 0));

    // Collapsing takes the items out below the group row, expanding brings them back; a
    // collapsed group changes its count without rows.
    bool expanded = true;
    EXPECT_EQ(span(map.ToggleExpanded(1, &expanded)), std::make_pair(4, 3));
    EXPECT_FALSE(expanded);
    EXPECT_EQ(span(map.SetItemCount(1, 5, &change)), std::make_pair(0, 0));
    EXPECT_EQ(change, 2);
    EXPECT_EQ(span(map.ToggleExpanded(1, &expanded)), std::make_pair(4, 5));
    EXPECT_TRUE(expanded);

    // A new group in front pushes the others down; deleting one takes its visible rows.
    EXPECT_EQ(span(map.InsertGroup(0)), std::make_pair(1, 1));
    EXPECT_EQ(map.GroupRow(1), 2);
    const int end = map.RowCount();
    EXPECT_EQ(span(map.InsertGroup(9)), std::make_pair(end, 1)); // clamped to the end
    EXPECT_EQ(span(map.DeleteGroup(2)), std::make_pair(4, 6));
    EXPECT_EQ(map.GroupCount(), 3);
    EXPECT_EQ(span(map.DeleteGroup(3)), std::make_pair(0, 0));
}

TEST(ListRowMap, KeyboardNeighboursSkipGroupRowsAndCollapsedGroups)
{
    CListRowMap map = TwoGroups();
    map.ShowStatusLine(true);
    // Rows: 0 status, 1 group 0, 2-3 items, 4 group 1, 5-7 items.
    EXPECT_EQ(map.NextItemRow(3), 5);
    EXPECT_EQ(map.PreviousItemRow(5), 3);
    EXPECT_EQ(map.PreviousItemRow(2), -1);
    EXPECT_EQ(map.NextItemRow(7), -1);
    EXPECT_EQ(map.NextItemRow(-1), 2);

    bool expanded = true;
    map.ToggleExpanded(1, &expanded);
    EXPECT_EQ(map.NextItemRow(3), -1);
    map.ToggleExpanded(0, &expanded);
    // Every group collapsed: there is nowhere to go either way.
    for (int row = -1; row <= map.RowCount(); ++row) {
        EXPECT_EQ(map.NextItemRow(row), -1);
        EXPECT_EQ(map.PreviousItemRow(row), -1);
    }
}
