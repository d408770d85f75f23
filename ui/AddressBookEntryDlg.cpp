#include "ui/AddressBookEntryDlg.h"

#include "framework/DataExchange.h"
#include "framework/MessageBox.h"
#include "ui/res/ui_ids.h"

CAddressBookEntryDlg::CAddressBookEntryDlg(CWnd* parent) : CTNDialog(IDD_ADDRESS_BOOK_ENTRY, parent)
{
    m_backgroundColour = 0xFADFCB;
}

BOOL CAddressBookEntryDlg::OnInitDialog()
{
    CTNDialog::OnInitDialog();
    m_ok.SetBitmaps(IDB_BUTTON, IDB_BUTTON_HOT, IDB_BUTTON_PRESSED);
    m_cancel.SetBitmaps(IDB_BUTTON, IDB_BUTTON_HOT, IDB_BUTTON_PRESSED);
    return TRUE;
}

void CAddressBookEntryDlg::DoDataExchange(CDataExchange* dx)
{
    DDX_Control(dx, IDOK, m_ok);
    DDX_Control(dx, IDCANCEL, m_cancel);
    DDX_Text(dx, IDC_NAME, m_name);
    DDX_Text(dx, IDC_EMAIL, m_email);
}

void CAddressBookEntryDlg::OnOK()
{
    if (!UpdateData(TRUE))
        return;
    if (m_name.IsEmpty() || m_email.IsEmpty()) {
        AfxMessageBox(IDS_NAME_OR_ADDRESS_EMPTY);
        return;
    }
    EndDialog(IDOK);
}
