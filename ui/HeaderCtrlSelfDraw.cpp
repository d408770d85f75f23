#include "ui/HeaderCtrlSelfDraw.h"

#include "framework/Brush.h"
#include "framework/DCGuards.h"
#include "framework/MemoryDC.h"
#include "framework/Rect.h"
#include "framework/WindowDCs.h"

namespace {

const int kTextInset = 4;
const int kTextChars = 63;

} // namespace

void CHeaderCtrlSelfDraw::SetBackgroundColor(COLORREF colour)
{
    m_background = colour;
    m_backgroundSet = true;
    if (m_hWnd)
        Invalidate();
}

void CHeaderCtrlSelfDraw::Paint(HDC dc)
{
    CRect client;
    GetClientRect(client);
    CMemoryDC surface(dc, client.Width(), client.Height());
    if (!surface.IsValid())
        return;
    CBrush background(m_backgroundSet ? m_background : ::GetSysColor(COLOR_BTNFACE));
    CSelectGuard brush(surface, background);
    CSelectGuard font(surface, GetFont());
    surface.SetBkMode(TRANSPARENT);
    surface.SetTextColor(::GetSysColor(COLOR_BTNTEXT));
    surface.Rectangle(client);
    for (int index = 0; index < GetItemCount(); ++index) {
        CRect rect;
        if (!GetItemRect(index, rect) || rect.Width() <= 0)
            continue;
        surface.Rectangle(rect);
        char text[kTextChars + 1] = {};
        HDITEMA item = {};
        item.mask = HDI_TEXT;
        item.pszText = text;
        item.cchTextMax = sizeof(text);
        GetItem(index, &item);
        text[kTextChars] = 0;
        rect.DeflateRect(kTextInset, 0);
        surface.DrawText(text, -1, rect, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
    surface.BlitTo(dc, 0, 0);
}

bool CHeaderCtrlSelfDraw::OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
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
    default:
        break;
    }
    return CHeaderCtrl::OnWndMsg(msg, wParam, lParam, result);
}
