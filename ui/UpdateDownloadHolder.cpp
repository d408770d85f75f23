#include "ui/UpdateDownloadHolder.h"

#include <memory>

#include "framework/Wnd.h"
#include "ui/UpdateDownloadDlg.h"

CUpdateDownloadHolder::~CUpdateDownloadHolder()
{
    Destroy();
}

bool CUpdateDownloadHolder::Show(const CString& url, const CString& path, bool modal)
{
    Destroy();
    HWND notify = m_mainWindow ? m_mainWindow->GetSafeHwnd() : nullptr;
    if (modal) {
        CUpdateDownloadDlg dialog(url, path, notify, m_mainWindow);
        m_dialog = &dialog;
        m_modal = true;
        const INT_PTR result = dialog.DoModal();
        Forget(&dialog);
        return result == IDOK;
    }
    auto dialog = std::make_unique<CUpdateDownloadDlg>(url, path, notify, m_mainWindow);
    if (!dialog->Create())
        return false;
    // From here on the window's end deletes it.
    dialog->SetHolder(this);
    m_dialog = dialog.release();
    m_modal = false;
    m_dialog->ShowWindow(SW_SHOW);
    return true;
}

void CUpdateDownloadHolder::Destroy()
{
    CUpdateDownloadDlg* dialog = m_dialog;
    m_dialog = nullptr;
    if (!dialog)
        return;
    if (m_modal || dialog->m_hWnd)
        dialog->DestroyWindow(); // a modal one ends its loop; a modeless one deletes itself
    else
        delete dialog;
}

void CUpdateDownloadHolder::Forget(const CUpdateDownloadDlg* dialog)
{
    if (m_dialog == dialog)
        m_dialog = nullptr;
}
