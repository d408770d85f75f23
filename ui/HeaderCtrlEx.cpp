#include "ui/HeaderCtrlEx.h"

#include <algorithm>

#include "framework/DCGuards.h"
#include "framework/Font.h"
#include "framework/Icon.h"
#include "framework/MemoryDC.h"
#include "framework/MessageCrackers.h"
#include "framework/Rect.h"
#include "framework/WindowDCs.h"

namespace {

const int kTextInset = 2;
const int kImageFromRight = 18;
const int kImageTop = 1;
const int kImageAscending = 1;
const int kImageDescending = 2;

} // namespace

void CHeaderCtrlEx::SetBackgroundColor(COLORREF colour)
{
    m_background = colour;
    m_backgroundSet = true;
    if (m_hWnd)
        Invalidate();
}

void CHeaderCtrlEx::SetImage(int index, int image)
{
    HDITEMA item = {};
    item.mask = HDI_IMAGE;
    item.iImage = image;
    SetItem(index, &item);
}

void CHeaderCtrlEx::ClickSort(int column)
{
    if (column < 0)
        return;
    if (column == m_sortColumn) {
        m_ascending = !m_ascending;
    } else {
        if (m_sortColumn >= 0)
            SetImage(m_sortColumn, 0);
        m_sortColumn = column;
        m_ascending = true;
    }
    SetImage(column, m_ascending ? kImageAscending : kImageDescending);
    Invalidate();
}

void CHeaderCtrlEx::InsertColumnRecord(int index, int width)
{
    if (index < 0 || index > ColumnCount())
        return;
    SHeaderColumn column;
    column.savedWidth = width;
    m_columns.insert(m_columns.begin() + index, column);
    if (m_sortColumn >= index)
        ++m_sortColumn;
}

void CHeaderCtrlEx::RemoveColumnRecord(int index)
{
    if (index < 0 || index >= ColumnCount())
        return;
    m_columns.erase(m_columns.begin() + index);
    if (m_sortColumn == index)
        m_sortColumn = -1;
    else if (m_sortColumn > index)
        --m_sortColumn;
}

SHeaderColumn* CHeaderCtrlEx::Column(int index)
{
    return index >= 0 && index < ColumnCount() ? &m_columns[static_cast<size_t>(index)] : nullptr;
}

const SHeaderColumn* CHeaderCtrlEx::Column(int index) const
{
    return index >= 0 && index < ColumnCount() ? &m_columns[static_cast<size_t>(index)] : nullptr;
}

std::vector<bool> CHeaderCtrlEx::VisibleColumns() const
{
    std::vector<bool> visible;
    for (const SHeaderColumn& column : m_columns)
        visible.push_back(column.visible);
    return visible;
}

int CHeaderCtrlEx::ItemWidth(int index) const
{
    HDITEMA item = {};
    item.mask = HDI_WIDTH;
    return GetItem(index, &item) ? item.cxy : 0;
}

int CHeaderCtrlEx::PreviousVisible(int index) const
{
    const std::vector<int> order = GetOrderArray();
    int position = -1;
    for (size_t i = 0; i < order.size(); ++i) {
        if (order[i] == index)
            position = static_cast<int>(i);
    }
    for (int i = position - 1; i >= 0; --i) {
        if (ItemWidth(order[static_cast<size_t>(i)]) > 0)
            return order[static_cast<size_t>(i)];
    }
    return -1;
}

int CHeaderCtrlEx::DividerOwner(POINT point) const
{
    HDHITTESTINFO hit = {};
    hit.pt = point;
    const int index = HitTest(&hit);
    if (index < 0 || !(hit.flags & (HHT_ONDIVIDER | HHT_ONDIVOPEN)))
        return -2;
    return ItemWidth(index) > 0 ? index : PreviousVisible(index);
}

void CHeaderCtrlEx::Paint(HDC dc)
{
    CRect client;
    GetClientRect(client);
    CMemoryDC surface(dc, client.Width(), client.Height());
    if (!surface.IsValid())
        return;
    const COLORREF background = m_backgroundSet ? m_background : ::GetSysColor(COLOR_BTNFACE);
    surface.FillSolidRect(client, background);
    CSelectGuard font(surface, CFont::DefaultGuiFont());
    surface.SetBkMode(TRANSPARENT);
    surface.SetTextColor(::GetSysColor(COLOR_BTNTEXT));
    HIMAGELIST images = GetImageList();

    int right = 0;
    for (int index = 0; index < GetItemCount(); ++index) {
        CRect rect;
        if (!GetItemRect(index, rect) || rect.Width() <= 0)
            continue;
        right = std::max(right, static_cast<int>(rect.right));
        surface.FillSolidRect(rect, background);
        CRect edge = rect;
        surface.DrawEdge(edge, BDR_RAISEDINNER, BF_RECT);

        char text[128] = {};
        HDITEMA item = {};
        item.mask = HDI_TEXT | HDI_FORMAT | HDI_IMAGE;
        item.pszText = text;
        item.cchTextMax = sizeof(text);
        GetItem(index, &item);
        UINT format = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_NOCLIP | DT_END_ELLIPSIS;
        if ((item.fmt & HDF_JUSTIFYMASK) == HDF_CENTER)
            format |= DT_CENTER;
        else if ((item.fmt & HDF_JUSTIFYMASK) == HDF_RIGHT)
            format |= DT_RIGHT;
        CRect textRect = rect;
        textRect.DeflateRect(kTextInset, 0);
        surface.DrawText(text, -1, textRect, format);
        if (index == m_sortColumn && item.iImage > 0 && images)
            ImageList_Draw(images, item.iImage, surface, rect.right - kImageFromRight, rect.top + kImageTop,
                           ILD_TRANSPARENT);
    }
    if (right < client.right) {
        CRect rest(right, 0, client.right, client.bottom);
        surface.DrawEdge(rest, BDR_RAISEDINNER, BF_RECT);
    }
    surface.BlitTo(dc, 0, 0);
}

bool CHeaderCtrlEx::OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    switch (msg) {
    case WM_PAINT: {
        CPaintDC dc(m_hWnd);
        Paint(dc);
        *result = 0;
        return true;
    }
    case WM_ERASEBKGND:
        *result = TRUE;
        return true;
    case WM_SETCURSOR: {
        POINT point;
        ::GetCursorPos(&point);
        ScreenToClient(&point);
        const int owner = DividerOwner(point);
        ::SetCursor(CSharedCursor::System(owner >= 0 ? IDC_SIZEWE : IDC_ARROW));
        *result = TRUE;
        return true;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        // On a hidden column's divider the control would open the hidden column: it gets the
        // previous visible column's divider instead, or nothing.
        const POINT point = PointFromLParam(lParam);
        HDHITTESTINFO hit = {};
        hit.pt = point;
        const int index = HitTest(&hit);
        if (index < 0 || !(hit.flags & (HHT_ONDIVIDER | HHT_ONDIVOPEN)) || ItemWidth(index) > 0)
            break;
        const int owner = PreviousVisible(index);
        *result = 0;
        if (owner < 0)
            return true;
        CRect rect;
        GetItemRect(owner, rect);
        *result = DefWindowProc(msg, wParam, MAKELPARAM(rect.right - 1, point.y));
        return true;
    }
    case WM_DESTROY:
        m_columns.clear();
        m_sortColumn = -1;
        break;
    default:
        break;
    }
    return CHeaderCtrl::OnWndMsg(msg, wParam, lParam, result);
}
