#include "ui/AboutDlg.h"

#include "framework/DataExchange.h"
#include "framework/String.h"
#include "ui/res/ui_ids.h"

CAboutDlg::CAboutDlg(CWnd* parent) : CTNDialog(IDD_ABOUT, parent)
{
    m_backgroundBitmapId = IDB_ABOUT_BACKGROUND;
}

BOOL CAboutDlg::OnInitDialog()
{
    CTNDialog::OnInitDialog();
    CString text;
    text.Format("Tarnix Version %i.%i", kMajor, kMinor);
    SetDlgItemText(IDC_VERSION, text);
    text.Format("Build: %i", kBuild);
    SetDlgItemText(IDC_BUILD, text);
    m_ok.SetBitmaps(IDB_BUTTON, IDB_BUTTON_HOT, IDB_BUTTON_PRESSED);
    return TRUE;
}

void CAboutDlg::DoDataExchange(CDataExchange* dx)
{
    DDX_Control(dx, IDOK, m_ok);
}
