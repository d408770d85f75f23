#include "ui/TNWizardPage.h"

#include "framework/MessageBox.h"

CTNWizardPage::CTNWizardPage(UINT templateId) : CTNDialog(templateId)
{
    m_boldControls.push_back(kTitle);
}

INT_PTR CTNWizardPage::RunPage(SWizardData* shared)
{
    m_shared = shared;
    return DoModal();
}

void CTNWizardPage::PreInitDialog()
{
    if (m_shared && m_shared->pageRect.right != m_shared->pageRect.left)
        SetWindowPos(nullptr, m_shared->pageRect.left, m_shared->pageRect.top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int CTNWizardPage::Commit()
{
    // A refused value has told the user already.
    if (!UpdateData(TRUE))
        return -1;
    if (Validate())
        return 0;
    AfxMessageBox(m_errorText);
    return -1;
}

bool CTNWizardPage::CanProceed()
{
    if (Validate())
        return true;
    AfxMessageBox(m_errorText);
    return false;
}

void CTNWizardPage::OnOK()
{
    if (Commit() != 0)
        return;
    if (m_shared)
        GetWindowRect(&m_shared->pageRect);
    EndDialog(IDOK);
}

bool CTNWizardPage::OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    if (msg == WM_COMMAND && LOWORD(wParam) == kBack && HIWORD(wParam) == BN_CLICKED) {
        UpdateData(TRUE);
        EndDialog(kBack);
        *result = 0;
        return true;
    }
    return CTNDialog::OnWndMsg(msg, wParam, lParam, result);
}
