#include "ui/TAFPromtDlg.h"

#include "framework/DataExchange.h"
#include "ui/res/ui_ids.h"

CTAFPromtDlg::CTAFPromtDlg(CWnd* parent) : CTNDialog(IDD_TAF_PROMPT, parent)
{
    m_backgroundBitmapId = IDB_TAF_PROMPT_BACKGROUND;
    m_boldControls.push_back(IDC_LOVE_TARNIX);
}

BOOL CTAFPromtDlg::OnInitDialog()
{
    CTNDialog::OnInitDialog();
    ::ShowWindow(GetDlgItem(IDC_DONT_SHOW_AGAIN), m_showCheckBox ? SW_SHOW : SW_HIDE);
    return TRUE;
}

void CTAFPromtDlg::DoDataExchange(CDataExchange* dx)
{
    DDX_Check(dx, IDC_DONT_SHOW_AGAIN, m_dontShowAgain);
}

void CTAFPromtDlg::OnCancel()
{
    UpdateData(TRUE);
    EndDialog(m_dontShowAgain ? kDontShowAgain : IDCANCEL);
}
