#include "ui/UpdateDialog.h"

#include "framework/DataExchange.h"
#include "ui/res/ui_ids.h"

CUpdateDialog::CUpdateDialog(CWnd* parent) : CDialog(IDD_UPDATE, parent) {}

BOOL CUpdateDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    CheckRadioButton(IDC_UPGRADE_YES, IDC_UPGRADE_NO, IDC_UPGRADE_YES);
    m_ok.SetBitmaps(IDB_BUTTON, IDB_BUTTON_HOT, IDB_BUTTON_PRESSED, IDB_BUTTON_DISABLED);
    return TRUE;
}

void CUpdateDialog::DoDataExchange(CDataExchange* dx)
{
    DDX_Control(dx, IDOK, m_ok);
}

void CUpdateDialog::OnOK()
{
    m_wantsUpgrade = GetCheckedRadioButton(IDC_UPGRADE_YES, IDC_UPGRADE_NO) == IDC_UPGRADE_YES;
    EndDialog(IDOK);
}
