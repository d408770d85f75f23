#pragma once
// The transfer list's rows: an optional status line on row 0, then group by group a group row
// followed by its item rows while the group is expanded. A row maps to (group, position):
// position 0 is the group row, position p > 0 is item p - 1. Portable: the list window applies
// the row spans these operations return to its control.

#include <vector>

// Rows to insert or delete: `count` rows starting at `first` (count 0: nothing to do).
struct SRowSpan {
    int first = 0;
    int count = 0;
};

class CListRowMap {
public:
    int GroupCount() const { return static_cast<int>(m_groups.size()); }
    int ItemCount(int group) const;   // 0 for a group that does not exist
    bool IsExpanded(int group) const; // false for a group that does not exist
    int RowCount() const;             // status line included
    bool StatusLineShown() const { return m_statusLine; }

    // The lookups answer -1 for a row outside every group (the status line's row included) and
    // for a (position, group) that has no row (a group that does not exist, an item outside it or
    // inside a collapsed group).
    int RowToGroup(int row) const;
    int RowToPosition(int row) const;
    int PositionToRow(int position, int group) const;
    int GroupRow(int group) const { return PositionToRow(0, group); }
    bool IsItemRow(int row) const { return RowToPosition(row) > 0; }

    // The nearest item row above or below `row`, group rows and collapsed groups skipped; -1 when
    // there is none.
    int PreviousItemRow(int row) const;
    int NextItemRow(int row) const;

    // Each change answers the rows the list inserts (or deletes) to follow it. Deleted spans are
    // deleted from their last row to their first.
    SRowSpan ShowStatusLine(bool show);                       // row 0 in or out; nothing when already so
    SRowSpan InsertGroup(int position);                       // expanded, no items; position clamped into 0..count
    SRowSpan DeleteGroup(int group);                          // its group row and visible items
    SRowSpan SetItemCount(int group, int count, int* change); // grows or shrinks at the group's end
    SRowSpan ToggleExpanded(int group, bool* expanded);

private:
    struct SGroup {
        int itemCount = 0;
        bool expanded = true;
    };
    bool Valid(int group) const { return group >= 0 && group < GroupCount(); }
    int VisibleItems(int group) const;
    int FirstRow() const { return m_statusLine ? 1 : 0; }

    std::vector<SGroup> m_groups;
    bool m_statusLine = false;
};
