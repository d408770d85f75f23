#include "ui/InPlaceEdit.h"

#include <algorithm>

#include <commctrl.h>

#include "framework/DCGuards.h"
#include "framework/Rect.h"
#include "framework/WindowDCs.h"

namespace {

// Room after the text for the caret.
const int kTextRoom = 5;

} // namespace

CInPlaceEdit::CInPlaceEdit(int item, int subItem, const char* initialText)
    : m_item(item), m_subItem(subItem), m_initialText(initialText)
{}

BOOL CInPlaceEdit::PreTranslateMessage(MSG* msg)
{
    if (msg->hwnd != m_hWnd || msg->message != WM_KEYDOWN)
        return FALSE;
    const WPARAM key = msg->wParam;
    if (key == VK_RETURN || key == VK_DELETE || key == VK_ESCAPE || key == VK_TAB || ::GetKeyState(VK_CONTROL) < 0) {
        ::TranslateMessage(msg);
        ::DispatchMessageA(msg);
        return TRUE;
    }
    return FALSE;
}

void CInPlaceEdit::GrowToText()
{
    HWND list = GetParent();
    const CString text = GetWindowText();
    CClientDC dc(m_hWnd);
    CSelectGuard font(dc, reinterpret_cast<HFONT>(::SendMessageA(list, WM_GETFONT, 0, 0)));
    const int wanted = dc.GetTextExtent(text, text.GetLength()).cx + kTextRoom;
    CRect rect;
    GetWindowRect(rect);
    ::MapWindowPoints(nullptr, list, reinterpret_cast<POINT*>(static_cast<RECT*>(rect)), 2);
    if (wanted <= rect.Width())
        return;
    CRect listClient;
    ::GetClientRect(list, listClient);
    const int width = std::min(wanted, static_cast<int>(listClient.right - rect.left));
    if (width > rect.Width())
        SetWindowPos(nullptr, 0, 0, width, rect.Height(), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CInPlaceEdit::EndEdit()
{
    if (m_ended)
        return;
    m_ended = true;
    HWND list = GetParent();
    CString text = GetWindowText();
    NMLVDISPINFOA info = {};
    info.hdr.hwndFrom = list;
    info.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID());
    info.hdr.code = LVN_ENDLABELEDITA;
    info.item.mask = LVIF_TEXT;
    info.item.iItem = m_item;
    info.item.iSubItem = m_subItem;
    info.item.pszText = m_escape ? nullptr : const_cast<char*>(text.GetString());
    info.item.cchTextMax = text.GetLength();
    ::SendMessageA(::GetParent(list), WM_NOTIFY, static_cast<WPARAM>(::GetDlgCtrlID(list)),
                   reinterpret_cast<LPARAM>(&info));
    // A window destroyed from outside (its dialog closing) is hidden, its own WS_VISIBLE gone,
    // before it loses the focus: that destruction goes on by itself, without a second one nested
    // in it.
    if (GetStyle() & WS_VISIBLE)
        DestroyWindow(); // deletes this object
}

bool CInPlaceEdit::OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    switch (msg) {
    case WM_CREATE:
        *result = Default();
        if (*result == -1)
            return true;
        SetFont(reinterpret_cast<HFONT>(::SendMessageA(GetParent(), WM_GETFONT, 0, 0)), FALSE);
        SetWindowText(m_initialText);
        SetFocus();
        SetSel(0, -1);
        return true;
    case WM_CHAR:
        switch (wParam) {
        case VK_ESCAPE:
            m_escape = true;
            [[fallthrough]];
        case VK_TAB:
            m_tab = wParam == VK_TAB;
            [[fallthrough]];
        case VK_RETURN:
            // Ends the edit through WM_KILLFOCUS.
            ::SetFocus(GetParent());
            *result = 0;
            return true;
        default:
            *result = Default();
            GrowToText();
            return true;
        }
    case WM_KILLFOCUS:
        *result = Default();
        EndEdit();
        return true;
    default:
        break;
    }
    return CEdit::OnWndMsg(msg, wParam, lParam, result);
}
