#pragma once
// CTNListCtrlEx: the transfer list: an owner-drawn report list (19-pixel rows) whose rows fall
// into collapsible groups, each a group row followed by its item rows, with an optional status
// line over row 0. It asks its parent for every cell (kListCellRequest, ListNotifications.h)
// unless kListParentData is off, when it keeps the cells itself (SetCell). Columns show text, a
// link-like status that drops down the parent's menu, or a progress bar; the header's menu hides
// and shows columns (an owner-drawn BCMenu), and a header click marks the sort column and tells the parent, which sorts.
//
// Subclass a template's control (DDX_Control, SubclassDlgItem) or create one: its header is
// taken over with the first message. Group rows are inserted and deleted through CListCtrl, so
// an owner-data list keeps its selection, focus and top row. User-interface thread.

#include <vector>

#include <windows.h>
#include <commctrl.h>

#include "framework/Brush.h"
#include "framework/Font.h"
#include "framework/Icon.h"
#include "framework/ImageList.h"
#include "framework/ListCtrl.h"
#include "framework/Rect.h"
#include "framework/String.h"
#include "ui/HeaderCtrlEx.h"
#include "ui/ListNotifications.h"
#include "ui/ProgressDrawer.h"
#include "ui/StatusLine.h"
#include "ui/portable/ListRowMap.h"

class BCMenu;

class CTNListCtrlEx : public CListCtrl {
public:
    CTNListCtrlEx();
    ~CTNListCtrlEx() override;

    void SetStyle(DWORD style);
    // The list-view style with the own bits (kListParentData, kListStatusLine); turning
    // kListStatusLine on or off shows or hides the status line.
    DWORD GetExtendedStyle() const;
    void SetExtendedStyle(DWORD flags);

    // A group row at group position `position`, expanded, with no items.
    void InsertGroup(int position, const char* text, int image = -1);
    void DeleteGroup(int group);
    // Grows or shrinks the group at its end; the change.
    int SetGroupItemCount(int group, int count);
    // The group whose progress cells show the download art (1 unless told; -1: none). A list
    // of downloads alone holds them in group 0.
    void SetDownloadGroup(int group) { m_downloadGroup = group; }

    int RowToGroup(int row) const { return m_rows.RowToGroup(row); }
    int RowToPosition(int row) const { return m_rows.RowToPosition(row); }
    int PositionToRow(int position, int group) const { return m_rows.PositionToRow(position, group); }
    bool IsGroupExpanded(int group) const { return m_rows.IsExpanded(group); }

    void ShowStatusLine(bool show);
    void SetStatusLineText(const char* text);
    bool IsStatusLineShown() const { return m_rows.StatusLineShown(); }

    void SetColumnType(int column, int type);
    // A column the user may not hide (checked and greyed in the column menu).
    void SetColumnHideable(int column, bool hideable);
    // Hides a column as the column menu does, with `savedWidth` as the width it gets back when
    // shown: for an owner that restores columns the user hid in an earlier run.
    void SetColumnHidden(int column, int savedWidth);
    // Shows a hidden column or hides a visible one, as the column menu does.
    void ToggleColumn(int column);

    // Cells the list keeps itself (kListParentData off).
    void SetCell(int group, int position, int column, const char* text, int image = -1, LPARAM value = 0);

    CHeaderCtrlEx& GetHeader() { return m_header; }

    // Draws one row (the list calls it for WM_DRAWITEM; a test may hand it any DC).
    void DrawItem(const DRAWITEMSTRUCT* draw);

    BOOL PreTranslateMessage(MSG* msg) override;

protected:
    bool OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    bool OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

private:
    struct SCell {
        CString text;
        int image = -1;
        LPARAM value = 0;
    };
    // A cell as answered (empty when unanswered): the text copied out of the parent's buffer.
    struct SAnswer {
        CString text;
        int image = -1;
        LPARAM value = 0;
    };
    struct SGroupDrawer {
        CProgressDrawer drawer;
        COLORREF fill;
        bool made = false;
    };

    void AttachHeader();
    SAnswer RequestCell(int row, int column, UINT mask);
    void SendToParent(NMHDR* notification) const;
    LRESULT SendToParentResult(NMHDR* notification) const;
    CRect CellRect(const RECT& row, int column) const;
    int ColumnAt(POINT client) const;
    CRect StatusLineRect() const;
    void InsertRows(SRowSpan rows);
    void DeleteRows(SRowSpan rows);
    CProgressDrawer& Drawer(int group);
    HFONT GroupFont();
    HFONT LinkFont();
    void DrawStatusCell(HDC dc, const CRect& cell, int row, int column, const SAnswer& answer);
    void DrawProgressCell(HDC dc, const CRect& cell, int row, int column);
    void OnClick(const NMITEMACTIVATE* click);
    void ShowColumnMenu();
    void OnSortClick(int column, LRESULT* result, bool* handled);
    void MoveSelection(UINT key, WPARAM wParam, LPARAM lParam);
    void ClickRow(int row);
    void RepaintCell(int row, int column);
    bool OnSetCursor();
    void OnMouseMove(POINT point);
    void EraseBelowRows(HDC dc);

    CListRowMap m_rows;
    DWORD m_ownFlags = 0;                                 // kListParentData; kListStatusLine follows m_rows
    std::vector<std::vector<std::vector<SCell>>> m_cells; // own cells: [group][position][column]
    CBrush m_itemBrush;
    CBrush m_groupBrush;
    CBrush m_selectionBrush;
    CImageList m_buttonPieces;
    CImageList m_expanders;
    CSharedCursor m_hand;
    CFont m_linkFont;
    CFont m_groupFont;
    int m_hotRow = -1; // the status cell last clicked, while the pointer stays on it
    int m_hotColumn = -1;
    CString m_statusLineText;
    CStatusLine m_statusLine;
    bool m_statusLineHovered = false;
    CHeaderCtrlEx m_header;
    SGroupDrawer m_drawers[2]; // the upload art, the download art
    int m_downloadGroup = 1;
    BCMenu* m_columnMenu = nullptr; // the header's menu while it runs (on ShowColumnMenu's stack)
};
