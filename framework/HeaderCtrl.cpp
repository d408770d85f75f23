#include "framework/HeaderCtrl.h"

#include <algorithm>

bool CHeaderCtrl::Create(DWORD style, const RECT& rect, HWND parent, UINT id)
{
    return CreateEx(0, WC_HEADERA, "", style | WS_CHILD, rect, parent, id);
}

int CHeaderCtrl::GetItemCount() const
{
    return static_cast<int>(SendMessage(HDM_GETITEMCOUNT));
}

int CHeaderCtrl::InsertItem(int position, const HDITEMA* item)
{
    return static_cast<int>(SendMessage(HDM_INSERTITEMA, position, reinterpret_cast<LPARAM>(item)));
}

BOOL CHeaderCtrl::DeleteItem(int index)
{
    return SendMessage(HDM_DELETEITEM, index) != 0;
}

BOOL CHeaderCtrl::GetItem(int index, HDITEMA* item) const
{
    return SendMessage(HDM_GETITEMA, index, reinterpret_cast<LPARAM>(item)) != 0;
}

BOOL CHeaderCtrl::SetItem(int index, const HDITEMA* item)
{
    return SendMessage(HDM_SETITEMA, index, reinterpret_cast<LPARAM>(item)) != 0;
}

BOOL CHeaderCtrl::GetItemRect(int index, RECT* rect) const
{
    return SendMessage(HDM_GETITEMRECT, index, reinterpret_cast<LPARAM>(rect)) != 0;
}

BOOL CHeaderCtrl::GetOrderArray(int* order, int count) const
{
    return SendMessage(HDM_GETORDERARRAY, count, reinterpret_cast<LPARAM>(order)) != 0;
}

BOOL CHeaderCtrl::SetOrderArray(int count, const int* order)
{
    return SendMessage(HDM_SETORDERARRAY, count, reinterpret_cast<LPARAM>(order)) != 0;
}

std::vector<int> CHeaderCtrl::GetOrderArray() const
{
    std::vector<int> order(static_cast<size_t>(std::max(GetItemCount(), 0)));
    if (!order.empty() && !GetOrderArray(order.data(), static_cast<int>(order.size())))
        order.clear();
    return order;
}

int CHeaderCtrl::OrderToIndex(int position) const
{
    return static_cast<int>(SendMessage(HDM_ORDERTOINDEX, position));
}

int CHeaderCtrl::HitTest(HDHITTESTINFO* info) const
{
    return static_cast<int>(SendMessage(HDM_HITTEST, 0, reinterpret_cast<LPARAM>(info)));
}

HIMAGELIST CHeaderCtrl::SetImageList(HIMAGELIST images)
{
    return reinterpret_cast<HIMAGELIST>(SendMessage(HDM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images)));
}

HIMAGELIST CHeaderCtrl::GetImageList() const
{
    return reinterpret_cast<HIMAGELIST>(SendMessage(HDM_GETIMAGELIST));
}
