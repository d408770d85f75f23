#pragma once
// CHeaderCtrl: a header control (a list's own header, subclassed, or one of its own).
// The image list stays the caller's.

#include <vector>

#include <windows.h>
#include <commctrl.h>

#include "framework/Wnd.h"

class CHeaderCtrl : public CWnd {
public:
    bool Create(DWORD style, const RECT& rect, HWND parent, UINT id);

    int GetItemCount() const;
    int InsertItem(int position, const HDITEMA* item); // the new index, -1 on failure
    BOOL DeleteItem(int index);
    BOOL GetItem(int index, HDITEMA* item) const; // fills what item->mask asks for
    BOOL SetItem(int index, const HDITEMA* item);
    BOOL GetItemRect(int index, RECT* rect) const;

    // Display order: order[position] = item index.
    BOOL GetOrderArray(int* order, int count) const;
    BOOL SetOrderArray(int count, const int* order);
    std::vector<int> GetOrderArray() const;
    int OrderToIndex(int position) const;

    // The item under info->pt (client coordinates), -1 when none; info->flags says where.
    int HitTest(HDHITTESTINFO* info) const;

    HIMAGELIST SetImageList(HIMAGELIST images); // the previous list
    HIMAGELIST GetImageList() const;
};
