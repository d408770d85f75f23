#include "ui/TNDialog.h"

#include <cctype>
#include <cstring>

#include "framework/Brush.h"
#include "framework/DCGuards.h"
#include "framework/Rect.h"
#include "framework/WindowDCs.h"

namespace {

const int kIconLeft = 20;
const int kIconTop = 15;

} // namespace

CTNDialog::CTNDialog(UINT templateId, CWnd* parent) : CDialog(templateId, parent)
{
    m_boldFont.CreateFont(15, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Tahoma");
}

BOOL CTNDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(static_cast<HFONT>(m_boldFont)), FALSE);
    for (int id : m_boldControls) {
        if (HWND control = GetDlgItem(id))
            ::SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(static_cast<HFONT>(m_boldFont)), TRUE);
    }
    if (m_iconId)
        m_icon = CSharedIcon::Load(m_iconId);

    // A page runs again on every Back and Next: the copy of the last run goes first.
    m_background.DeleteObject();
    CBitmap original;
    if (m_backgroundBitmapId && original.LoadBitmap(m_backgroundBitmapId)) {
        CRect client;
        GetClientRect(client);
        CClientDC screen(m_hWnd);
        CDC source, target;
        if (client.Width() > 0 && client.Height() > 0 && source.CreateCompatibleDC(screen) &&
            target.CreateCompatibleDC(screen) &&
            m_background.CreateCompatibleBitmap(screen, client.Width(), client.Height())) {
            const CSize size = original.GetSize();
            CSelectGuard from(source, original);
            CSelectGuard to(target, m_background);
            target.SetStretchBltMode(COLORONCOLOR);
            target.StretchBlt(0, 0, client.Width(), client.Height(), source, 0, 0, size.cx, size.cy, SRCCOPY);
        }
    }
    return TRUE;
}

bool CTNDialog::EraseBackground(HDC dc)
{
    CRect client;
    GetClientRect(client);
    if (m_background.GetSafeHandle()) {
        CDC source;
        source.CreateCompatibleDC(dc);
        CSelectGuard selected(source, m_background);
        return ::BitBlt(dc, 0, 0, client.Width(), client.Height(), source, 0, 0, SRCCOPY) != FALSE;
    }
    if (m_backgroundColour) {
        CBrush brush(m_backgroundColour);
        ::FillRect(dc, &client, brush);
        return true;
    }
    return false;
}

HBRUSH CTNDialog::ControlColour(HDC dc, HWND control)
{
    char name[8] = {};
    ::GetClassNameA(control, name, sizeof(name));
    name[6] = 0;
    for (char& ch : name)
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    const HBRUSH none = static_cast<HBRUSH>(::GetStockObject(NULL_BRUSH));
    if (std::strcmp(name, "static") == 0) {
        ::SetBkMode(dc, TRANSPARENT);
        return none;
    }
    const LONG_PTR type = ::GetWindowLongPtrA(control, GWL_STYLE) & BS_TYPEMASK;
    if (std::strcmp(name, "button") == 0 && type != BS_PUSHBUTTON && m_background.GetSafeHandle()) {
        // The control paints over its whole rectangle: what lies behind it comes first.
        CRect rect;
        ::GetWindowRect(control, rect);
        ScreenToClient(rect);
        CDC source;
        source.CreateCompatibleDC(dc);
        CSelectGuard selected(source, m_background);
        ::BitBlt(dc, 0, 0, rect.Width(), rect.Height(), source, rect.left, rect.top, SRCCOPY);
        ::SetBkMode(dc, TRANSPARENT);
        return none;
    }
    return nullptr;
}

bool CTNDialog::OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    switch (msg) {
    case WM_ERASEBKGND:
        if (EraseBackground(reinterpret_cast<HDC>(wParam))) {
            *result = TRUE;
            return true;
        }
        break;
    case WM_PAINT:
        if (m_icon) {
            CPaintDC dc(m_hWnd);
            dc.DrawIconEx(kIconLeft, kIconTop, m_icon, 0, 0, 0, nullptr, DI_NORMAL);
            *result = 0;
            return true;
        }
        break;
    case WM_CTLCOLORSTATIC:
        if (HBRUSH brush = ControlColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam))) {
            *result = reinterpret_cast<LRESULT>(brush);
            return true;
        }
        break;
    default:
        break;
    }
    return CDialog::OnWndMsg(msg, wParam, lParam, result);
}
