#include "ui/MessagePage.h"

#include "app/SettingsManager.h"
#include "framework/DataExchange.h"
#include "ui/AddressBookEntryDlg.h"
#include "ui/TAFSheet.h"

CMessagePage::CMessagePage(CTAFSheet& sheet, CSettingsManager& settings)
    : CTAFPage(IDD_TAF_MESSAGE, sheet), m_settings(settings)
{}

BOOL CMessagePage::OnInitDialog()
{
    CTAFPage::OnInitDialog();
    m_back.SetBitmaps(IDB_BUTTON, IDB_BUTTON_HOT, IDB_BUTTON_PRESSED);
    m_finish.SetBitmaps(IDB_BUTTON, IDB_BUTTON_HOT, IDB_BUTTON_PRESSED, IDB_BUTTON_DISABLED);
    m_finish.EnableWindow(Validate() ? TRUE : FALSE);
    return TRUE;
}

void CMessagePage::DoDataExchange(CDataExchange* dx)
{
    CTAFEmail& mail = m_sheet->GetMail();
    DDX_Control(dx, IDC_BACK, m_back);
    DDX_Control(dx, IDOK, m_finish);
    DDX_Text(dx, IDC_FROM, mail.m_senderEmail);
    DDX_Text(dx, IDC_SUBJECT, mail.m_subject);
    DDX_Text(dx, IDC_BODY, mail.m_body);
}

bool CMessagePage::Validate()
{
    if (m_hWnd)
        UpdateData(TRUE);
    if (!m_sheet->GetMail().m_subject.IsEmpty())
        return true;
    m_errorText.LoadString(IDS_NO_SUBJECT);
    return false;
}

void CMessagePage::ChangeSender()
{
    // What was typed stays when the controls are filled again below.
    UpdateData(TRUE);
    CAddressBookEntryDlg dialog(this);
    dialog.m_name = m_settings.GetMyName();
    dialog.m_email = m_settings.GetMyEmail();
    if (dialog.DoModal() != IDOK)
        return;
    CTAFEmail& mail = m_sheet->GetMail();
    mail.m_senderEmail = dialog.m_email;
    mail.m_senderName = dialog.m_name;
    m_settings.SetMyEmail(dialog.m_email);
    m_settings.SetMyName(dialog.m_name);
    UpdateData(FALSE);
}

bool CMessagePage::OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    if (msg == WM_COMMAND) {
        if (LOWORD(wParam) == IDC_BODY && HIWORD(wParam) == EN_CHANGE) {
            m_finish.EnableWindow(Validate() ? TRUE : FALSE);
            m_finish.Invalidate();
            *result = 0;
            return true;
        }
        if (LOWORD(wParam) == IDC_CHANGE && HIWORD(wParam) == BN_CLICKED) {
            ChangeSender();
            *result = 0;
            return true;
        }
    }
    return CTAFPage::OnWndMsg(msg, wParam, lParam, result);
}
