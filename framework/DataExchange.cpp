#include "framework/DataExchange.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "framework/MessageBox.h"
#include "framework/Wnd.h"

namespace {

const char* const NOT_A_NUMBER = "Please enter an integer.";

CString ControlText(HWND control)
{
    CString text;
    const int length = ::GetWindowTextLengthA(control);
    text.ReleaseBuffer(::GetWindowTextA(control, text.GetBuffer(length), length + 1));
    return text;
}

bool ParseInt(const CString& text, int& value)
{
    CString trimmed = text;
    trimmed.Trim();
    if (trimmed.IsEmpty())
        return false;
    errno = 0;
    char* end = nullptr;
    const long parsed = std::strtol(trimmed.GetString(), &end, 10);
    if (errno == ERANGE || *end != '\0' || parsed < INT_MIN || parsed > INT_MAX)
        return false;
    value = static_cast<int>(parsed);
    return true;
}

bool IsRadio(HWND control)
{
    const LONG_PTR type = ::GetWindowLongPtrA(control, GWL_STYLE) & BS_TYPEMASK;
    return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
}

} // namespace

HWND CDataExchange::PrepareCtrl(int id) const
{
    if (m_failed || !m_pDlgWnd)
        return nullptr;
    return m_pDlgWnd->GetDlgItem(id);
}

void CDataExchange::Fail(HWND control, const char* message)
{
    AfxMessageBox(message, MB_OK | MB_ICONEXCLAMATION);
    if (control) {
        ::SetFocus(control);
        ::SendMessageA(control, EM_SETSEL, 0, -1);
    }
    m_failed = true;
}

void DDX_Text(CDataExchange* dx, int id, CString& value)
{
    HWND control = dx->PrepareCtrl(id);
    if (!control)
        return;
    if (dx->m_bSaveAndValidate)
        value = ControlText(control);
    else
        ::SetWindowTextA(control, value);
}

void DDX_Text(CDataExchange* dx, int id, int& value)
{
    HWND control = dx->PrepareCtrl(id);
    if (!control)
        return;
    if (!dx->m_bSaveAndValidate) {
        CString text;
        text.Format("%d", value);
        ::SetWindowTextA(control, text);
        return;
    }
    int parsed = 0;
    if (ParseInt(ControlText(control), parsed))
        value = parsed;
    else
        dx->Fail(control, NOT_A_NUMBER);
}

void DDX_Check(CDataExchange* dx, int id, bool& value)
{
    HWND control = dx->PrepareCtrl(id);
    if (!control)
        return;
    if (dx->m_bSaveAndValidate)
        value = ::SendMessageA(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
    else
        ::SendMessageA(control, BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
}

void DDX_Check(CDataExchange* dx, int id, int& value)
{
    HWND control = dx->PrepareCtrl(id);
    if (!control)
        return;
    if (dx->m_bSaveAndValidate)
        value = static_cast<int>(::SendMessageA(control, BM_GETCHECK, 0, 0));
    else
        ::SendMessageA(control, BM_SETCHECK, static_cast<WPARAM>(value), 0);
}

void DDX_Radio(CDataExchange* dx, int id, int& index)
{
    HWND control = dx->PrepareCtrl(id);
    if (!control)
        return;
    if (dx->m_bSaveAndValidate)
        index = -1;
    int position = 0;
    for (HWND button = control; button; button = ::GetWindow(button, GW_HWNDNEXT)) {
        if (button != control && (::GetWindowLongPtrA(button, GWL_STYLE) & WS_GROUP))
            break;
        if (!IsRadio(button))
            continue;
        if (dx->m_bSaveAndValidate) {
            if (::SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED)
                index = position;
        } else {
            ::SendMessageA(button, BM_SETCHECK, position == index ? BST_CHECKED : BST_UNCHECKED, 0);
        }
        ++position;
    }
}

void DDX_Control(CDataExchange* dx, int id, CWnd& control)
{
    if (control.GetSafeHwnd())
        return;
    HWND window = dx->PrepareCtrl(id);
    if (window)
        control.SubclassWindow(window);
}
