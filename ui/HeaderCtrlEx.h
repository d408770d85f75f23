#pragma once
// CHeaderCtrlEx: the transfer list's header. It keeps a record per column (type, saved width,
// whether it may be hidden, whether it is visible), paints itself in the owner's colour, marks
// the sort column with image 1 (ascending) or 2 (descending) of its image list, and keeps the
// user from dragging a hidden column open: on a hidden column's divider the previous visible
// column is the one resized. The list keeps the records in step as it inserts and deletes
// columns. User-interface thread.

#include <vector>

#include <windows.h>

#include "framework/HeaderCtrl.h"

struct SHeaderColumn {
    int type = 1;       // kColumnText, kColumnStatus or kColumnProgress (ListNotifications.h)
    int savedWidth = 0; // restored when the column is shown again
    bool hideable = true;
    bool visible = true;
};

class CHeaderCtrlEx : public CHeaderCtrl {
public:
    void SetBackgroundColor(COLORREF colour);

    int GetSortColumn() const { return m_sortColumn; }
    bool IsSortAscending() const { return m_ascending; }
    // A click on column c: the same column flips the direction; another becomes the sort column,
    // ascending, and the previous one loses its image.
    void ClickSort(int column);

    void InsertColumnRecord(int index, int width);
    void RemoveColumnRecord(int index);
    SHeaderColumn* Column(int index); // null outside the columns
    const SHeaderColumn* Column(int index) const;
    int ColumnCount() const { return static_cast<int>(m_columns.size()); }
    std::vector<bool> VisibleColumns() const;

    int ItemWidth(int index) const;
    // The column before `index` in display order that has a width; -1 when none has.
    int PreviousVisible(int index) const;

    // Paints the header into `dc` over its client rectangle.
    void Paint(HDC dc);

protected:
    bool OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

private:
    void SetImage(int index, int image);
    // The column a divider at `point` belongs to for the user: a hidden column's divider is its
    // previous visible column's. -2 when the point is on no divider, -1 when it belongs to none.
    int DividerOwner(POINT point) const;

    std::vector<SHeaderColumn> m_columns; // by item index
    int m_sortColumn = -1;
    bool m_ascending = true;
    COLORREF m_background = 0;
    bool m_backgroundSet = false; // COLOR_BTNFACE until the owner sets one
};
