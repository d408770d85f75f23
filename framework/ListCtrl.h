#pragma once
// CListCtrl: a list-view control, report style. The image lists stay the caller's.
//
// Owner-data lists (LVS_OWNERDATA): the list holds only the row count; InsertItem and
// DeleteItem in the middle move the selection, the focus, the selection mark and the top row
// with the rows, so the user keeps what was selected and sees the same rows.

#include <windows.h>
#include <commctrl.h>

#include "framework/String.h"
#include "framework/Wnd.h"

class CListCtrl : public CWnd {
public:
    bool Create(DWORD style, const RECT& rect, HWND parent, UINT id);

    // Rows.
    int GetItemCount() const;
    BOOL SetItemCount(int count);                                // owner data: the new count
    BOOL SetItemCountEx(int count, DWORD flags);                 // LVSICF_*
    int InsertItem(int index, const char* text, int image = -1); // the new row, -1 on failure
    int InsertItem(const LVITEMA* item);
    BOOL DeleteItem(int index);
    BOOL DeleteAllItems();
    BOOL SetItemText(int index, int subItem, const char* text);
    CString GetItemText(int index, int subItem) const;
    BOOL SetItemData(int index, DWORD_PTR data);
    DWORD_PTR GetItemData(int index) const;

    // Columns.
    int InsertColumn(int column, const char* heading, int format = LVCFMT_LEFT, int width = -1, int subItem = -1);
    BOOL DeleteColumn(int column);
    int GetColumnWidth(int column) const;
    BOOL SetColumnWidth(int column, int width);
    HWND GetHeaderCtrl() const;
    // Display order of the columns: order[position] = column. Set it here rather than on the
    // header alone, so the list's own column geometry follows.
    BOOL SetColumnOrderArray(int count, const int* order);
    BOOL GetColumnOrderArray(int* order, int count) const;

    DWORD GetExtendedStyle() const;
    DWORD SetExtendedStyle(DWORD styles); // the previous styles

    // State and selection.
    UINT GetItemState(int index, UINT mask) const;
    BOOL SetItemState(int index, UINT state, UINT mask); // index -1: every row
    int GetNextItem(int start, UINT flags) const;        // LVNI_*; -1 when none
    UINT GetSelectedCount() const;
    int GetSelectionMark() const;
    int SetSelectionMark(int index);
    BOOL EnsureVisible(int index, BOOL partialOk);
    int GetTopIndex() const;
    int GetCountPerPage() const;
    BOOL Scroll(SIZE size);
    BOOL RedrawItems(int first, int last);
    UINT GetCallbackMask() const;
    BOOL SetCallbackMask(UINT mask); // LVIS_* bits the parent supplies, e.g. state images

    // Geometry (client coordinates).
    BOOL GetItemRect(int index, RECT* rect, UINT area) const; // LVIR_*
    BOOL GetSubItemRect(int index, int subItem, UINT area, RECT* rect) const;
    int HitTest(POINT point, UINT* flags = nullptr) const;
    int SubItemHitTest(LVHITTESTINFO* info) const; // the row, and info->iSubItem

    HIMAGELIST SetImageList(HIMAGELIST images, int which); // LVSIL_*; the previous list
    HIMAGELIST GetImageList(int which) const;

private:
    bool IsOwnerData() const { return (GetStyle() & LVS_OWNERDATA) != 0; }
    // Grows (count > 0) or shrinks (count < 0) an owner-data list at a row.
    void ShiftOwnerDataRows(int at, int count);
};
