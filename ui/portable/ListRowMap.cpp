#include "ui/portable/ListRowMap.h"

#include <algorithm>

int CListRowMap::ItemCount(int group) const
{
    return Valid(group) ? m_groups[static_cast<size_t>(group)].itemCount : 0;
}

bool CListRowMap::IsExpanded(int group) const
{
    return Valid(group) && m_groups[static_cast<size_t>(group)].expanded;
}

int CListRowMap::VisibleItems(int group) const
{
    const SGroup& g = m_groups[static_cast<size_t>(group)];
    return g.expanded ? g.itemCount : 0;
}

int CListRowMap::RowCount() const
{
    int rows = FirstRow();
    for (int g = 0; g < GroupCount(); ++g)
        rows += 1 + VisibleItems(g);
    return rows;
}

int CListRowMap::RowToGroup(int row) const
{
    int groupRow = FirstRow();
    for (int g = 0; g < GroupCount(); ++g) {
        const int next = groupRow + 1 + VisibleItems(g);
        if (row >= groupRow && row < next)
            return g;
        groupRow = next;
    }
    return -1;
}

int CListRowMap::RowToPosition(int row) const
{
    const int group = RowToGroup(row);
    return group < 0 ? -1 : row - GroupRow(group);
}

int CListRowMap::PositionToRow(int position, int group) const
{
    if (!Valid(group) || position < 0 || position > VisibleItems(group))
        return -1;
    int row = FirstRow();
    for (int g = 0; g < group; ++g)
        row += 1 + VisibleItems(g);
    return row + position;
}

int CListRowMap::PreviousItemRow(int row) const
{
    for (int r = std::min(row, RowCount()) - 1; r >= FirstRow(); --r) {
        if (IsItemRow(r))
            return r;
    }
    return -1;
}

int CListRowMap::NextItemRow(int row) const
{
    const int rows = RowCount();
    for (int r = std::max(row + 1, FirstRow()); r < rows; ++r) {
        if (IsItemRow(r))
            return r;
    }
    return -1;
}

SRowSpan CListRowMap::ShowStatusLine(bool show)
{
    if (show == m_statusLine)
        return {};
    m_statusLine = show;
    return {0, 1};
}

SRowSpan CListRowMap::InsertGroup(int position)
{
    position = std::clamp(position, 0, GroupCount());
    const int row = position < GroupCount() ? GroupRow(position) : RowCount();
    m_groups.insert(m_groups.begin() + position, SGroup{});
    return {row, 1};
}

SRowSpan CListRowMap::DeleteGroup(int group)
{
    if (!Valid(group))
        return {};
    const SRowSpan rows = {GroupRow(group), 1 + VisibleItems(group)};
    m_groups.erase(m_groups.begin() + group);
    return rows;
}

SRowSpan CListRowMap::SetItemCount(int group, int count, int* change)
{
    *change = 0;
    if (!Valid(group))
        return {};
    count = std::max(count, 0);
    SGroup& g = m_groups[static_cast<size_t>(group)];
    *change = count - g.itemCount;
    const int end = GroupRow(group) + 1 + VisibleItems(group);
    const int old = g.itemCount;
    g.itemCount = count;
    if (!g.expanded)
        return {};
    return count >= old ? SRowSpan{end, count - old} : SRowSpan{end - (old - count), old - count};
}

SRowSpan CListRowMap::ToggleExpanded(int group, bool* expanded)
{
    *expanded = false;
    if (!Valid(group))
        return {};
    SGroup& g = m_groups[static_cast<size_t>(group)];
    g.expanded = !g.expanded;
    *expanded = g.expanded;
    return {GroupRow(group) + 1, g.itemCount};
}
