#include "ui/StatusLine.h"

#include "framework/DCGuards.h"
#include "framework/Icon.h"
#include "framework/MessageCrackers.h"
#include "framework/Rect.h"
#include "framework/WindowDCs.h"
#include "ui/ControlArt.h"

namespace {

const COLORREF kBackground = RGB(255, 247, 194);
const int kRightMargin = 20;
// The y recorded with a mouse move: any point of the strip's single line.
const int kRecordedY = 5;

} // namespace

bool CStatusLine::Create(const RECT& rect, HWND parent, DWORD style, UINT id)
{
    if (!CreateEx(0, "Static", "", style, rect, parent, id))
        return false;
    SetFont(CFont::DefaultGuiFont(), FALSE);
    m_hand = CSharedCursor::Load(kHandCursor);
    return true;
}

void CStatusLine::SetText(const char* text)
{
    m_text = text ? text : "";
    if (m_hWnd)
        Invalidate();
}

void CStatusLine::Rearm()
{
    m_armed = true;
    m_recorded = {-1, -1};
    if (m_hWnd)
        Invalidate();
}

void CStatusLine::Paint(HDC dc)
{
    CSaveDCGuard saved(dc);
    CRect client;
    GetClientRect(client);
    HFONT font = CFont::DefaultGuiFont();
    if (client.PtInRect(m_recorded)) {
        if (!m_underlined.GetSafeHandle()) {
            LOGFONTA logFont = {};
            ::GetObjectA(font, sizeof(logFont), &logFont);
            logFont.lfUnderline = TRUE;
            m_underlined.CreateFontIndirect(&logFont);
        }
        if (m_underlined.GetSafeHandle())
            font = m_underlined;
    }
    ::SelectObject(dc, font);
    CDC target;
    target.Attach(dc);
    target.FillSolidRect(client, kBackground);
    target.SetBkMode(TRANSPARENT);
    target.SetTextColor(::GetSysColor(COLOR_HIGHLIGHT));
    const CSize extent = target.GetTextExtent(m_text, m_text.GetLength());
    client.left = client.right - extent.cx - kRightMargin;
    target.DrawText(m_text, m_text.GetLength(), client, DT_TABSTOP | DT_SINGLELINE | DT_VCENTER);
    target.Detach();
}

bool CStatusLine::OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    switch (msg) {
    case WM_PAINT: {
        CPaintDC dc(m_hWnd);
        Paint(dc);
        *result = 0;
        return true;
    }
    case WM_MOUSEMOVE: {
        if (m_armed) {
            m_recorded = {PointFromLParam(lParam).x, kRecordedY};
            m_armed = false;
            Invalidate();
        }
        if (m_hand)
            ::SetCursor(m_hand);
        *result = Default();
        return true;
    }
    default:
        break;
    }
    return CWnd::OnWndMsg(msg, wParam, lParam, result);
}
