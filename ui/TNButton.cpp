#include "ui/TNButton.h"

#include "framework/DC.h"
#include "framework/DCGuards.h"
#include "framework/MessageCrackers.h"
#include "framework/Rect.h"
#include "framework/WindowDCs.h"

namespace {

const int kDisabled = 3;
// Centred on one line.
const UINT kCentred = DT_CENTER | DT_VCENTER | DT_SINGLELINE;

} // namespace

bool CTNButton::SetBitmaps(UINT normal, UINT hover, UINT pressed, UINT disabled, const LOGFONTA* font)
{
    const UINT ids[4] = {normal, hover, pressed, disabled};
    bool loaded = true;
    for (int i = 0; i < 4; ++i) {
        if (i == kDisabled && disabled == 0)
            continue;
        m_bitmaps[i].DeleteObject();
        loaded = m_bitmaps[i].LoadBitmap(ids[i]) && loaded;
    }
    // The control would paint its own face on a click or a focus change: it draws through us.
    ModifyStyle(BS_TYPEMASK, BS_OWNERDRAW);
    const CSize size = m_bitmaps[kNormal].GetSize();
    SetWindowPos(nullptr, 0, 0, size.cx + 2, size.cy + 2, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    if (!m_font.GetSafeHandle()) {
        if (font) {
            m_font.CreateFontIndirect(font);
        } else {
            LOGFONTA standard = {};
            standard.lfHeight = 14;
            lstrcpynA(standard.lfFaceName, "Microsoft Sans Serif", LF_FACESIZE);
            m_font.CreateFontIndirect(&standard);
        }
        SetFont(m_font, FALSE);
    }
    OnStateChanged(m_state, m_state);
    return loaded;
}

void CTNButton::SetTextOffset(int x, int y)
{
    m_textOffset = {x, y};
    Invalidate();
}

void CTNButton::ChangeState(int state)
{
    const int old = m_state;
    m_state = state;
    OnStateChanged(old, state);
}

void CTNButton::OnStateChanged(int, int)
{
    Invalidate();
}

HBITMAP CTNButton::CurrentBitmap() const
{
    if (!IsWindowEnabled() && m_bitmaps[kDisabled].GetSafeHandle())
        return m_bitmaps[kDisabled];
    return m_bitmaps[m_state];
}

void CTNButton::DrawCaption(HDC dc)
{
    const CString caption = GetWindowText();
    if (caption.IsEmpty())
        return;
    CSaveDCGuard saved(dc);
    CDC target;
    target.Attach(dc);
    target.SetBkMode(TRANSPARENT);
    if (m_font.GetSafeHandle())
        target.SelectObject(m_font);
    const bool disabled = !IsWindowEnabled();
    const bool offset = m_textOffset.x != 0 && m_textOffset.y != 0;
    CRect client;
    GetClientRect(client);
    auto draw = [&](int dx, int dy) {
        if (offset) {
            target.TextOut(m_textOffset.x + dx, m_textOffset.y + dy, caption, caption.GetLength());
        } else {
            CRect rect = client;
            rect.OffsetRect(dx, dy);
            target.DrawText(caption, caption.GetLength(), rect, kCentred);
        }
    };
    if (disabled) {
        // Engraved: a white copy one pixel down and to the left.
        target.SetTextColor(RGB(255, 255, 255));
        draw(-1, 1);
        target.SetTextColor(::GetSysColor(COLOR_GRAYTEXT));
    }
    draw(0, 0);
}

void CTNButton::Paint(HDC dc)
{
    CRect client;
    GetClientRect(client);
    if (HBITMAP bitmap = CurrentBitmap()) {
        CDC source;
        source.CreateCompatibleDC(dc);
        CSelectGuard selected(source, bitmap);
        ::BitBlt(dc, 0, 0, client.Width(), client.Height(), source, 0, 0, SRCCOPY);
    }
    DrawCaption(dc);
}

bool CTNButton::OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    switch (msg) {
    case WM_DRAWITEM:
        Paint(DrawItemFromLParam(lParam)->hDC);
        *result = TRUE;
        return true;
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_SETFOCUS || HIWORD(wParam) == BN_KILLFOCUS) {
            *result = 0;
            return true;
        }
        break;
    default:
        break;
    }
    return CButton::OnChildNotify(msg, wParam, lParam, result);
}

bool CTNButton::OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    switch (msg) {
    case WM_MOUSEMOVE: {
        POINT screen = PointFromLParam(lParam);
        ClientToScreen(&screen);
        const HWND under = ::WindowFromPoint(screen);
        // Dragged in from elsewhere with the button held: no hover.
        if ((wParam & MK_LBUTTON) && !m_tracking)
            break;
        if (under == m_hWnd && !m_tracking) {
            m_tracking = true;
            ChangeState(kHover);
            TrackMouseEvent(TME_LEAVE);
            // Wine 8 tracks nothing, and never says so, when the pointer has left already (a
            // move handled late): the leave comes from here then.
            TRACKMOUSEEVENT query = {};
            query.cbSize = sizeof(query);
            query.dwFlags = TME_QUERY;
            if (::TrackMouseEvent(&query) && query.hwndTrack != m_hWnd)
                PostMessage(WM_MOUSELEAVE);
        }
        break;
    }
    case WM_MOUSELEAVE:
        if (m_state == kHover)
            ChangeState(kNormal);
        m_tracking = false;
        *result = 0;
        return true;
    case WM_LBUTTONDOWN:
        ChangeState(kPressed);
        break;
    case WM_LBUTTONUP: {
        CRect client;
        GetClientRect(client);
        ChangeState(client.PtInRect(PointFromLParam(lParam)) ? kHover : kNormal);
        break;
    }
    case WM_PAINT: {
        CPaintDC dc(m_hWnd);
        Paint(dc);
        *result = 0;
        return true;
    }
    default:
        break;
    }
    return CButton::OnWndMsg(msg, wParam, lParam, result);
}
