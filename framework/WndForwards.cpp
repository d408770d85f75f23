// The thin forwards of CWnd: each is the one Win32 call of the same name on the attached window.
#include "framework/Wnd.h"

#include "framework/Menu.h"

LRESULT CWnd::SendMessage(UINT msg, WPARAM wParam, LPARAM lParam) const
{
    return ::SendMessageA(m_hWnd, msg, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT msg, WPARAM wParam, LPARAM lParam) const
{
    return ::PostMessageA(m_hWnd, msg, wParam, lParam);
}

UINT_PTR CWnd::SetTimer(UINT_PTR id, UINT elapse, TIMERPROC proc)
{
    return ::SetTimer(m_hWnd, id, elapse, proc);
}

BOOL CWnd::KillTimer(UINT_PTR id)
{
    return ::KillTimer(m_hWnd, id);
}

BOOL CWnd::ShowWindow(int cmd)
{
    return ::ShowWindow(m_hWnd, cmd);
}

BOOL CWnd::SetWindowPos(HWND insertAfter, int x, int y, int cx, int cy, UINT flags)
{
    return ::SetWindowPos(m_hWnd, insertAfter, x, y, cx, cy, flags);
}

void CWnd::MoveWindow(int x, int y, int width, int height, BOOL repaint)
{
    ::MoveWindow(m_hWnd, x, y, width, height, repaint);
}

void CWnd::MoveWindow(const RECT* rect, BOOL repaint)
{
    MoveWindow(rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, repaint);
}

void CWnd::GetWindowRect(RECT* rect) const
{
    ::GetWindowRect(m_hWnd, rect);
}

void CWnd::GetClientRect(RECT* rect) const
{
    ::GetClientRect(m_hWnd, rect);
}

void CWnd::ClientToScreen(POINT* point) const
{
    ::ClientToScreen(m_hWnd, point);
}

void CWnd::ClientToScreen(RECT* rect) const
{
    ::MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(rect), 2);
}

void CWnd::ScreenToClient(POINT* point) const
{
    ::ScreenToClient(m_hWnd, point);
}

void CWnd::ScreenToClient(RECT* rect) const
{
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(rect), 2);
}

void CWnd::Invalidate(BOOL erase)
{
    ::InvalidateRect(m_hWnd, nullptr, erase);
}

void CWnd::InvalidateRect(const RECT* rect, BOOL erase)
{
    ::InvalidateRect(m_hWnd, rect, erase);
}

BOOL CWnd::RedrawWindow(const RECT* rect, HRGN region, UINT flags)
{
    return ::RedrawWindow(m_hWnd, rect, region, flags);
}

void CWnd::UpdateWindow()
{
    ::UpdateWindow(m_hWnd);
}

int CWnd::SetWindowRgn(HRGN region, BOOL redraw)
{
    return ::SetWindowRgn(m_hWnd, region, redraw);
}

DWORD CWnd::GetStyle() const
{
    return static_cast<DWORD>(::GetWindowLongPtrA(m_hWnd, GWL_STYLE));
}

DWORD CWnd::GetExStyle() const
{
    return static_cast<DWORD>(::GetWindowLongPtrA(m_hWnd, GWL_EXSTYLE));
}

namespace {

BOOL ModifyLong(HWND hwnd, int index, DWORD remove, DWORD add, UINT swpFlags)
{
    const DWORD style = static_cast<DWORD>(::GetWindowLongPtrA(hwnd, index));
    const DWORD changed = (style & ~remove) | add;
    if (changed == style)
        return FALSE;
    ::SetWindowLongPtrA(hwnd, index, static_cast<LONG_PTR>(changed));
    if (swpFlags)
        ::SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | swpFlags);
    return TRUE;
}

} // namespace

BOOL CWnd::ModifyStyle(DWORD remove, DWORD add, UINT swpFlags)
{
    return ModifyLong(m_hWnd, GWL_STYLE, remove, add, swpFlags);
}

BOOL CWnd::ModifyStyleEx(DWORD remove, DWORD add, UINT swpFlags)
{
    return ModifyLong(m_hWnd, GWL_EXSTYLE, remove, add, swpFlags);
}

void CWnd::SetFont(HFONT font, BOOL redraw)
{
    SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw);
}

HFONT CWnd::GetFont() const
{
    return reinterpret_cast<HFONT>(SendMessage(WM_GETFONT));
}

HWND CWnd::GetDlgItem(int id) const
{
    return ::GetDlgItem(m_hWnd, id);
}

int CWnd::GetDlgCtrlID() const
{
    return ::GetDlgCtrlID(m_hWnd);
}

HWND CWnd::GetParent() const
{
    return ::GetParent(m_hWnd);
}

BOOL CWnd::IsWindowVisible() const
{
    return ::IsWindowVisible(m_hWnd);
}

BOOL CWnd::IsWindowEnabled() const
{
    return ::IsWindowEnabled(m_hWnd);
}

BOOL CWnd::EnableWindow(BOOL enable)
{
    return ::EnableWindow(m_hWnd, enable);
}

BOOL CWnd::SetForegroundWindow()
{
    return ::SetForegroundWindow(m_hWnd);
}

HWND CWnd::SetFocus()
{
    return ::SetFocus(m_hWnd);
}

HWND CWnd::SetCapture()
{
    return ::SetCapture(m_hWnd);
}

BOOL CWnd::SetMenu(HMENU menu)
{
    return ::SetMenu(m_hWnd, menu);
}

HMENU CWnd::GetMenu() const
{
    return ::GetMenu(m_hWnd);
}

HMENU CWnd::GetSystemMenu(BOOL revert) const
{
    // Reverting destroys the copy.
    if (revert && m_systemMenuCopied)
        CMenu::DetachTree(::GetSystemMenu(m_hWnd, FALSE));
    HMENU menu = ::GetSystemMenu(m_hWnd, revert);
    m_systemMenuCopied = !revert && menu;
    return menu;
}

void CWnd::DrawMenuBar()
{
    ::DrawMenuBar(m_hWnd);
}

void CWnd::SetWindowText(const char* text)
{
    ::SetWindowTextA(m_hWnd, text ? text : "");
}

int CWnd::GetWindowText(char* buffer, int size) const
{
    return ::GetWindowTextA(m_hWnd, buffer, size);
}

CString CWnd::GetWindowText() const
{
    CString text;
    const int length = ::GetWindowTextLengthA(m_hWnd);
    const int got = ::GetWindowTextA(m_hWnd, text.GetBuffer(length), length + 1);
    text.ReleaseBuffer(got);
    return text;
}

void CWnd::SetDlgItemText(int id, const char* text)
{
    ::SetDlgItemTextA(m_hWnd, id, text ? text : "");
}

BOOL CWnd::TrackMouseEvent(DWORD flags, DWORD hoverTime)
{
    TRACKMOUSEEVENT track = {};
    track.cbSize = sizeof(track);
    track.dwFlags = flags;
    track.hwndTrack = m_hWnd;
    track.dwHoverTime = hoverTime;
    return ::TrackMouseEvent(&track);
}
