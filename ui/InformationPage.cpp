#include "ui/InformationPage.h"

#include "framework/DataExchange.h"
#include "infra/TextUtilities.h"

CInformationPage::CInformationPage(CFileLink& link, CSettingsManager& settings)
    : CSendFilePage(IDD_INFORMATION, link, settings)
{}

BOOL CInformationPage::OnInitDialog()
{
    m_recipient = m_link->m_recipientName.IsEmpty() ? m_link->m_recipientEmail : m_link->m_recipientName;
    CSendFilePage::OnInitDialog();
    m_back.SetBitmaps(IDB_BUTTON, IDB_BUTTON_HOT, IDB_BUTTON_PRESSED);
    m_finish.SetBitmaps(IDB_BUTTON, IDB_BUTTON_HOT, IDB_BUTTON_PRESSED);
    return TRUE;
}

void CInformationPage::DoDataExchange(CDataExchange* dx)
{
    DDX_Control(dx, IDC_BACK, m_back);
    DDX_Control(dx, IDOK, m_finish);
    DDX_Text(dx, IDC_NAME, m_link->m_senderName);
    DDX_Text(dx, IDC_EMAIL, m_link->m_senderEmail);
    DDX_Text(dx, IDC_RECIPIENT, m_recipient);
}

bool CInformationPage::Validate()
{
    if (m_link->m_senderName.IsEmpty() || m_link->m_senderEmail.IsEmpty()) {
        m_errorText.LoadString(IDS_NAME_OR_ADDRESS_EMPTY);
        return false;
    }
    if (!IsValidEmail(m_link->m_senderEmail.str())) {
        m_errorText.LoadString(IDS_INVALID_EMAIL);
        return false;
    }
    return true;
}
