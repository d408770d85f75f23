#include "ui/TNButtonTr.h"

#include "framework/DCGuards.h"
#include "framework/MemoryDC.h"
#include "framework/RegionFromBitmap.h"

namespace {

const COLORREF kOutside = RGB(0, 255, 0);

} // namespace

CRect CTNButtonTr::WindowRectInParent() const
{
    CRect rect;
    GetWindowRect(rect);
    ::MapWindowPoints(nullptr, GetParent(), reinterpret_cast<POINT*>(static_cast<RECT*>(rect)), 2);
    return rect;
}

void CTNButtonTr::OnStateChanged(int oldState, int newState)
{
    if (oldState != kPressed) {
        m_previous = m_current;
        m_current = WindowRectInParent();
    }
    HWND parent = GetParent();
    switch (newState) {
    case kNormal:
    case kHover:
        if (newState == kNormal && m_regionPending && m_bitmaps[kNormal].GetSafeHandle()) {
            m_regionPending = false;
            if (m_region.Attach(RegionFromBitmapMask(m_bitmaps[kNormal], kOutside))) {
                CRgn copy;
                if (copy.CreateRectRgn(0, 0, 0, 0) && copy.CopyRgn(m_region) != ERROR &&
                    SetWindowRgn(static_cast<HRGN>(copy), TRUE))
                    copy.Detach(); // the window's now
            }
        }
        MoveWindow(m_current);
        ::InvalidateRect(parent, m_previous, TRUE);
        break;
    case kPressed:
        MoveWindow(m_previous);
        ::InvalidateRect(parent, m_current, TRUE);
        break;
    default:
        break;
    }
    Invalidate();
}

void CTNButtonTr::Paint(HDC dc)
{
    CRect client;
    GetClientRect(client);
    CMemoryDC surface(dc, client.Width(), client.Height());
    if (!surface.IsValid())
        return;
    if (HBITMAP bitmap = CurrentBitmap()) {
        CDC source;
        source.CreateCompatibleDC(dc);
        CSelectGuard selected(source, bitmap);
        surface.BitBlt(0, 0, client.Width(), client.Height(), source, 0, 0, SRCCOPY);
    }
    DrawCaption(surface);
    CSaveDCGuard saved(dc);
    if (m_region.GetSafeHandle())
        ::ExtSelectClipRgn(dc, m_region, RGN_AND);
    surface.BlitTo(dc, 0, 0);
}

bool CTNButtonTr::OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    if (msg == WM_ERASEBKGND) {
        *result = 0;
        return true;
    }
    return CTNButton::OnWndMsg(msg, wParam, lParam, result);
}
