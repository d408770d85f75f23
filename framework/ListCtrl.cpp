#include "framework/ListCtrl.h"

#include <vector>

bool CListCtrl::Create(DWORD style, const RECT& rect, HWND parent, UINT id)
{
    return CreateEx(0, WC_LISTVIEWA, "", style | WS_CHILD, rect, parent, id);
}

int CListCtrl::GetItemCount() const
{
    return static_cast<int>(SendMessage(LVM_GETITEMCOUNT));
}

BOOL CListCtrl::SetItemCount(int count)
{
    return SendMessage(LVM_SETITEMCOUNT, count) != 0;
}

BOOL CListCtrl::SetItemCountEx(int count, DWORD flags)
{
    return SendMessage(LVM_SETITEMCOUNT, count, flags) != 0;
}

int CListCtrl::InsertItem(int index, const char* text, int image)
{
    LVITEMA item = {};
    item.mask = LVIF_TEXT | (image >= 0 ? LVIF_IMAGE : 0);
    item.iItem = index;
    item.pszText = const_cast<char*>(text ? text : "");
    item.iImage = image;
    return InsertItem(&item);
}

int CListCtrl::InsertItem(const LVITEMA* item)
{
    if (!IsOwnerData())
        return static_cast<int>(SendMessage(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(item)));
    // The control itself would add the row at the end without moving the selection.
    const int count = GetItemCount();
    const int at = item->iItem < 0 || item->iItem > count ? count : item->iItem;
    ShiftOwnerDataRows(at, 1);
    return at;
}

BOOL CListCtrl::DeleteItem(int index)
{
    if (!IsOwnerData())
        return SendMessage(LVM_DELETEITEM, index) != 0;
    if (index < 0 || index >= GetItemCount())
        return FALSE;
    ShiftOwnerDataRows(index, -1);
    return TRUE;
}

void CListCtrl::ShiftOwnerDataRows(int at, int count)
{
    // Where a row of the old list lands in the new one; -1 when it was deleted.
    auto moved = [at, count](int row) {
        if (row < at)
            return row;
        if (count > 0)
            return row + count;
        return row < at - count ? -1 : row + count;
    };
    std::vector<int> selected;
    for (int row = GetNextItem(-1, LVNI_SELECTED); row >= 0; row = GetNextItem(row, LVNI_SELECTED))
        selected.push_back(row);
    const int focused = GetNextItem(-1, LVNI_FOCUSED);
    const int mark = GetSelectionMark();
    const int top = GetTopIndex();

    SetItemCountEx(GetItemCount() + count, LVSICF_NOSCROLL | LVSICF_NOINVALIDATEALL);

    SetItemState(-1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    for (int row : selected) {
        if (moved(row) >= 0)
            SetItemState(moved(row), LVIS_SELECTED, LVIS_SELECTED);
    }
    if (focused >= 0 && moved(focused) >= 0)
        SetItemState(moved(focused), LVIS_FOCUSED, LVIS_FOCUSED);
    SetSelectionMark(mark >= 0 ? moved(mark) : -1);

    // Keep the same rows in view: the old top row (or the row now in its place) stays on top.
    const int wantedTop = moved(top) >= 0 ? moved(top) : at;
    const int nowTop = GetTopIndex();
    RECT row = {};
    row.left = LVIR_BOUNDS;
    if (wantedTop != nowTop && GetItemCount() > 0 && GetItemRect(0, &row, LVIR_BOUNDS)) {
        SIZE by = {0, (wantedTop - nowTop) * (row.bottom - row.top)};
        Scroll(by);
    }
    Invalidate(FALSE);
}

BOOL CListCtrl::DeleteAllItems()
{
    return SendMessage(LVM_DELETEALLITEMS) != 0;
}

BOOL CListCtrl::SetItemText(int index, int subItem, const char* text)
{
    LVITEMA item = {};
    item.iSubItem = subItem;
    item.pszText = const_cast<char*>(text ? text : "");
    return SendMessage(LVM_SETITEMTEXTA, index, reinterpret_cast<LPARAM>(&item)) != 0;
}

CString CListCtrl::GetItemText(int index, int subItem) const
{
    // The control copies at most the buffer's size: grow until the text fits.
    CString text;
    for (int size = 256;; size *= 2) {
        LVITEMA item = {};
        item.iSubItem = subItem;
        item.cchTextMax = size;
        item.pszText = text.GetBuffer(size);
        const int length = static_cast<int>(SendMessage(LVM_GETITEMTEXTA, index, reinterpret_cast<LPARAM>(&item)));
        text.ReleaseBuffer(length);
        if (length < size - 1 || size >= (1 << 20))
            return text;
    }
}

BOOL CListCtrl::SetItemData(int index, DWORD_PTR data)
{
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = index;
    item.lParam = static_cast<LPARAM>(data);
    return SendMessage(LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item)) != 0;
}

DWORD_PTR CListCtrl::GetItemData(int index) const
{
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = index;
    SendMessage(LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return static_cast<DWORD_PTR>(item.lParam);
}

int CListCtrl::InsertColumn(int column, const char* heading, int format, int width, int subItem)
{
    LVCOLUMNA info = {};
    info.mask = LVCF_TEXT | LVCF_FMT | (width >= 0 ? LVCF_WIDTH : 0) | (subItem >= 0 ? LVCF_SUBITEM : 0);
    info.fmt = format;
    info.cx = width;
    info.pszText = const_cast<char*>(heading ? heading : "");
    info.iSubItem = subItem;
    return static_cast<int>(SendMessage(LVM_INSERTCOLUMNA, column, reinterpret_cast<LPARAM>(&info)));
}

BOOL CListCtrl::DeleteColumn(int column)
{
    return SendMessage(LVM_DELETECOLUMN, column) != 0;
}

int CListCtrl::GetColumnWidth(int column) const
{
    return static_cast<int>(SendMessage(LVM_GETCOLUMNWIDTH, column));
}

BOOL CListCtrl::SetColumnWidth(int column, int width)
{
    return SendMessage(LVM_SETCOLUMNWIDTH, column, MAKELPARAM(width, 0)) != 0;
}

HWND CListCtrl::GetHeaderCtrl() const
{
    return reinterpret_cast<HWND>(SendMessage(LVM_GETHEADER));
}

BOOL CListCtrl::SetColumnOrderArray(int count, const int* order)
{
    return SendMessage(LVM_SETCOLUMNORDERARRAY, count, reinterpret_cast<LPARAM>(order)) != 0;
}

BOOL CListCtrl::GetColumnOrderArray(int* order, int count) const
{
    return SendMessage(LVM_GETCOLUMNORDERARRAY, count, reinterpret_cast<LPARAM>(order)) != 0;
}

DWORD CListCtrl::GetExtendedStyle() const
{
    return static_cast<DWORD>(SendMessage(LVM_GETEXTENDEDLISTVIEWSTYLE));
}

DWORD CListCtrl::SetExtendedStyle(DWORD styles)
{
    return static_cast<DWORD>(SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, styles));
}

UINT CListCtrl::GetItemState(int index, UINT mask) const
{
    return static_cast<UINT>(SendMessage(LVM_GETITEMSTATE, index, mask));
}

BOOL CListCtrl::SetItemState(int index, UINT state, UINT mask)
{
    LVITEMA item = {};
    item.state = state;
    item.stateMask = mask;
    return SendMessage(LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)) != 0;
}

int CListCtrl::GetNextItem(int start, UINT flags) const
{
    return static_cast<int>(SendMessage(LVM_GETNEXTITEM, static_cast<WPARAM>(start), MAKELPARAM(flags, 0)));
}

UINT CListCtrl::GetSelectedCount() const
{
    return static_cast<UINT>(SendMessage(LVM_GETSELECTEDCOUNT));
}

int CListCtrl::GetSelectionMark() const
{
    return static_cast<int>(SendMessage(LVM_GETSELECTIONMARK));
}

int CListCtrl::SetSelectionMark(int index)
{
    return static_cast<int>(SendMessage(LVM_SETSELECTIONMARK, 0, index));
}

BOOL CListCtrl::EnsureVisible(int index, BOOL partialOk)
{
    return SendMessage(LVM_ENSUREVISIBLE, index, partialOk) != 0;
}

int CListCtrl::GetTopIndex() const
{
    return static_cast<int>(SendMessage(LVM_GETTOPINDEX));
}

int CListCtrl::GetCountPerPage() const
{
    return static_cast<int>(SendMessage(LVM_GETCOUNTPERPAGE));
}

BOOL CListCtrl::Scroll(SIZE size)
{
    return SendMessage(LVM_SCROLL, static_cast<WPARAM>(size.cx), size.cy) != 0;
}

BOOL CListCtrl::RedrawItems(int first, int last)
{
    return SendMessage(LVM_REDRAWITEMS, first, last) != 0;
}

UINT CListCtrl::GetCallbackMask() const
{
    return static_cast<UINT>(SendMessage(LVM_GETCALLBACKMASK));
}

BOOL CListCtrl::SetCallbackMask(UINT mask)
{
    return SendMessage(LVM_SETCALLBACKMASK, mask) != 0;
}

BOOL CListCtrl::GetItemRect(int index, RECT* rect, UINT area) const
{
    rect->left = static_cast<LONG>(area);
    return SendMessage(LVM_GETITEMRECT, index, reinterpret_cast<LPARAM>(rect)) != 0;
}

BOOL CListCtrl::GetSubItemRect(int index, int subItem, UINT area, RECT* rect) const
{
    rect->top = subItem;
    rect->left = static_cast<LONG>(area);
    return SendMessage(LVM_GETSUBITEMRECT, index, reinterpret_cast<LPARAM>(rect)) != 0;
}

int CListCtrl::HitTest(POINT point, UINT* flags) const
{
    LVHITTESTINFO info = {};
    info.pt = point;
    const int row = static_cast<int>(SendMessage(LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)));
    if (flags)
        *flags = info.flags;
    return row;
}

int CListCtrl::SubItemHitTest(LVHITTESTINFO* info) const
{
    return static_cast<int>(SendMessage(LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(info)));
}

HIMAGELIST CListCtrl::SetImageList(HIMAGELIST images, int which)
{
    return reinterpret_cast<HIMAGELIST>(SendMessage(LVM_SETIMAGELIST, which, reinterpret_cast<LPARAM>(images)));
}

HIMAGELIST CListCtrl::GetImageList(int which) const
{
    return reinterpret_cast<HIMAGELIST>(SendMessage(LVM_GETIMAGELIST, which));
}
