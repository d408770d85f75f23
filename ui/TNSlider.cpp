#include "ui/TNSlider.h"

#include "framework/DCGuards.h"
#include "framework/Icon.h"
#include "framework/MemoryDC.h"
#include "framework/MessageCrackers.h"
#include "framework/WindowDCs.h"
#include "framework/WndClass.h"
#include "ui/ControlArt.h"

namespace {

const COLORREF kKeyColour = RGB(0, 255, 0);

// A masked list holding the whole bitmap as one image; its size in *size.
bool LoadImage(UINT id, CImageList& list, SIZE* size)
{
    CBitmap bitmap;
    if (!bitmap.LoadBitmap(id))
        return false;
    *size = bitmap.GetSize();
    return list.Create(size->cx, size->cy, ILC_COLOR24 | ILC_MASK, 1, 1) && list.Add(bitmap, kKeyColour) >= 0;
}

} // namespace

bool CTNSlider::Create(DWORD style, const RECT& rect, CWnd* parent)
{
    if (!LoadImage(IDB_SLIDER_TRACK, m_track, &m_trackSize) || !LoadImage(IDB_SLIDER_THUMB, m_thumb, &m_thumbSize))
        return false;
    const char* windowClass = AfxRegisterWndClass(CS_HREDRAW | CS_VREDRAW, CSharedCursor::System(IDC_ARROW));
    return windowClass && CreateEx(0, windowClass, "TNSlider", style | WS_CHILD, rect.left, rect.top, m_trackSize.cx,
                                   m_trackSize.cy, parent ? parent->GetSafeHwnd() : nullptr,
                                   reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kControlId)));
}

void CTNSlider::SetPos(int position)
{
    // Only the three positions exist: anything else would index past the thumb's places.
    if (position >= 0 && position < kSliderPositions)
        m_position = position;
    ::SendMessageA(GetParent(), WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, m_position), reinterpret_cast<LPARAM>(m_hWnd));
    Invalidate();
}

SSliderHit CTNSlider::HitTest(POINT point) const
{
    RECT client;
    GetClientRect(&client);
    return SliderHitTest(point.x, point.y, client.right, client.bottom, m_thumbSize.cx, m_thumbSize.cy);
}

void CTNSlider::Paint(HDC dc)
{
    RECT client;
    GetClientRect(&client);
    CMemoryDC surface(dc, client.right, client.bottom);
    if (!surface.IsValid())
        return;
    if (!m_background.GetSafeHandle()) {
        CClientDC screen(nullptr);
        RECT onScreen = client;
        ClientToScreen(&onScreen);
        if (m_background.CreateCompatibleBitmap(screen, client.right, client.bottom)) {
            CDC copy;
            copy.CreateCompatibleDC(screen);
            CSelectGuard selected(copy, m_background);
            copy.BitBlt(0, 0, client.right, client.bottom, screen, onScreen.left, onScreen.top, SRCCOPY);
        }
    }
    if (m_background.GetSafeHandle()) {
        CDC source;
        source.CreateCompatibleDC(surface);
        CSelectGuard selected(source, m_background);
        surface.BitBlt(0, 0, client.right, client.bottom, source, 0, 0, SRCCOPY);
    }
    m_track.Draw(surface, 0, POINT{0, 0}, ILD_TRANSPARENT);
    const SSliderRect thumb = SliderThumbRect(m_position, m_thumbSize.cx, m_thumbSize.cy);
    m_thumb.Draw(surface, 0, POINT{thumb.left, thumb.top}, ILD_TRANSPARENT);
    surface.BlitTo(dc, 0, 0);
}

BOOL CTNSlider::PreTranslateMessage(MSG* msg)
{
    if (msg->hwnd != m_hWnd || msg->message != WM_KEYDOWN)
        return FALSE;
    switch (msg->wParam) {
    case VK_LEFT:
    case VK_UP:
        if (m_position > 0)
            SetPos(m_position - 1);
        return TRUE;
    case VK_RIGHT:
    case VK_DOWN:
        if (m_position < kSliderPositions - 1)
            SetPos(m_position + 1);
        return TRUE;
    default:
        return FALSE;
    }
}

bool CTNSlider::OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    switch (msg) {
    case WM_PAINT: {
        CPaintDC dc(m_hWnd);
        Paint(dc);
        *result = 0;
        return true;
    }
    case WM_LBUTTONDOWN: {
        const SSliderHit hit = HitTest(PointFromLParam(lParam));
        if (hit.position >= 0 && hit.position != m_position)
            SetPos(hit.position);
        SetFocus();
        if (hit.onThumb)
            SetCapture();
        *result = 0;
        return true;
    }
    case WM_MOUSEMOVE:
        if (::GetCapture() == m_hWnd) {
            const SSliderHit hit = HitTest(PointFromLParam(lParam));
            if (hit.position >= 0 && hit.position != m_position)
                SetPos(hit.position);
        }
        *result = 0;
        return true;
    case WM_LBUTTONUP:
        if (::GetCapture() == m_hWnd)
            ::ReleaseCapture();
        *result = 0;
        return true;
    default:
        break;
    }
    return CWnd::OnWndMsg(msg, wParam, lParam, result);
}
