#include "framework/Dialog.h"

#include "framework/AppState.h"
#include "framework/DataExchange.h"
#include "framework/MessagePump.h"
#include "framework/WndCreationHook.h"

IMPLEMENT_DYNAMIC(CDialog, CWnd)

namespace {

// Every message reaches the object first (the dialog is subclassed); whatever it leaves to the
// default lands here through the dialog manager, and the default handling is all we want.
INT_PTR CALLBACK DialogProc(HWND, UINT msg, WPARAM, LPARAM)
{
    return msg == WM_INITDIALOG ? TRUE : FALSE;
}

} // namespace

CDialog::CDialog(UINT templateId, CWnd* parent) : m_nIDTemplate(templateId), m_pParentWnd(parent) {}

const void* CDialog::LoadTemplate(UINT templateId) const
{
    HINSTANCE module = AfxGetResourceHandle();
    HRSRC resource = ::FindResourceA(module, MAKEINTRESOURCEA(templateId), MAKEINTRESOURCEA(5));
    if (!resource)
        return nullptr;
    HGLOBAL loaded = ::LoadResource(module, resource);
    return loaded ? ::LockResource(loaded) : nullptr; // resources need no unlocking or freeing
}

bool CDialog::CreateFromTemplate(const void* dialogTemplate, HWND owner)
{
    if (m_hWnd)
        return false;
    CWndCreationHook hook(this);
    HWND hwnd = ::CreateDialogIndirectParamA(AfxGetResourceHandle(), static_cast<const DLGTEMPLATE*>(dialogTemplate),
                                             owner, &DialogProc, 0);
    return hwnd != nullptr && m_hWnd == hwnd;
}

HWND CDialog::ModalOwner() const
{
    HWND owner = m_pParentWnd ? m_pParentWnd->GetSafeHwnd() : nullptr;
    if (!owner) {
        CWnd* main = AfxGetMainWnd();
        if (main && main != this)
            owner = main->GetSafeHwnd();
    }
    // A child cannot own a dialog: its top-level window does.
    while (owner && (::GetWindowLongPtrA(owner, GWL_STYLE) & WS_CHILD))
        owner = ::GetParent(owner);
    return owner;
}

INT_PTR CDialog::DoModal()
{
    const void* dialogTemplate = LoadTemplate(m_nIDTemplate);
    if (!dialogTemplate || m_hWnd)
        return -1;

    HWND owner = ModalOwner();
    const bool disabledOwner = owner && ::IsWindowEnabled(owner);
    if (disabledOwner)
        ::EnableWindow(owner, FALSE);

    m_modal = true;
    m_ending = false;
    m_result = -1;
    if (CreateFromTemplate(dialogTemplate, owner)) {
        if (!m_ending)
            ShowWindow(SW_SHOWNORMAL);
        while (!m_ending && m_hWnd) {
            int quitCode = 0;
            if (!AfxPumpMessage(&quitCode)) {
                ::PostQuitMessage(quitCode); // for the loop outside this one
                m_result = -1;
                break;
            }
        }
    }

    // Enabled before the dialog goes, so the system activates the owner and not another program.
    if (disabledOwner)
        ::EnableWindow(owner, TRUE);
    if (m_hWnd) {
        if (owner && ::GetActiveWindow() == m_hWnd)
            ::SetActiveWindow(owner);
        DestroyWindow();
    }
    m_modal = false;
    return m_result;
}

bool CDialog::Create(UINT templateId, CWnd* parent)
{
    if (templateId)
        m_nIDTemplate = templateId;
    if (parent)
        m_pParentWnd = parent;
    const void* dialogTemplate = LoadTemplate(m_nIDTemplate);
    return dialogTemplate && CreateFromTemplate(dialogTemplate, m_pParentWnd ? m_pParentWnd->GetSafeHwnd() : nullptr);
}

void CDialog::EndDialog(int result)
{
    m_result = result;
    if (!m_modal) {
        ::EndDialog(m_hWnd, result); // a modeless dialog is only hidden
        return;
    }
    m_ending = true;
    PostMessage(WM_NULL); // wakes the loop when called from outside a message
}

bool CDialog::OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    switch (msg) {
    case WM_INITDIALOG:
        PreInitDialog();
        *result = OnInitDialog();
        return true;
    case WM_SETFONT:
        OnSetFont(reinterpret_cast<HFONT>(wParam));
        return false;
    case WM_COMMAND:
        // Buttons, and the dialog keyboard's Enter and Escape (code 0 or BN_CLICKED).
        if (HIWORD(wParam) == BN_CLICKED || lParam == 0) {
            if (LOWORD(wParam) == IDOK) {
                OnOK();
                *result = 0;
                return true;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                OnCancel();
                *result = 0;
                return true;
            }
        }
        break;
    default:
        break;
    }
    return CWnd::OnWndMsg(msg, wParam, lParam, result);
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

BOOL CDialog::UpdateData(BOOL saveAndValidate)
{
    CDataExchange exchange(this, saveAndValidate);
    DoDataExchange(&exchange);
    return exchange.Failed() ? FALSE : TRUE;
}

BOOL CDialog::PreTranslateMessage(MSG* msg)
{
    if (!m_hWnd || msg->message < WM_KEYFIRST || msg->message > WM_KEYLAST)
        return FALSE;
    if (msg->hwnd != m_hWnd && !::IsChild(m_hWnd, msg->hwnd))
        return FALSE;
    return ::IsDialogMessageA(m_hWnd, msg);
}

void CDialog::CheckRadioButton(int firstId, int lastId, int checkId)
{
    ::CheckRadioButton(m_hWnd, firstId, lastId, checkId);
}

int CDialog::GetCheckedRadioButton(int firstId, int lastId) const
{
    for (int id = firstId; id <= lastId; ++id) {
        if (::IsDlgButtonChecked(m_hWnd, id) == BST_CHECKED)
            return id;
    }
    return 0;
}

void CDialog::MapDialogRect(RECT* rect) const
{
    ::MapDialogRect(m_hWnd, rect);
}
