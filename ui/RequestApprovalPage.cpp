#include "ui/RequestApprovalPage.h"

#include "app/AddressBook.h"
#include "app/SettingsManager.h"
#include "framework/Brush.h"
#include "framework/DataExchange.h"
#include "infra/TextUtilities.h"
#include "ui/AddressBookDlg.h"

namespace {

const COLORREF kPlaceholderText = 0x808080;
// Offers seen at once below the address.
const int kVisibleOffers = 50;

} // namespace

CRequestApprovalPage::CRequestApprovalPage(CFileLink& link, CSettingsManager& settings)
    : CSendFilePage(IDD_REQUEST_APPROVAL, link, settings), m_white(RGB(0xFF, 0xFF, 0xFF))
{}

BOOL CRequestApprovalPage::OnInitDialog()
{
    if (m_link->m_subject.IsEmpty()) {
        std::int64_t total = 0;
        m_defaultSubject = m_link->JoinFileNames(", ", -1, total);
        m_link->m_subject = m_defaultSubject;
    }
    m_placeholder = m_link->m_message.IsEmpty();
    if (m_placeholder)
        m_link->m_message.LoadString(IDS_MESSAGE_PLACEHOLDER);
    m_settingMessage = true; // loading the controls is no change by the user
    CSendFilePage::OnInitDialog();
    m_settingMessage = false;
    m_sendToButton.SetBitmaps(IDB_SENDTO, IDB_SENDTO_HOT, IDB_SENDTO_HOT);
    m_sendToButton.SetTextOffset(30, 4);
    m_back.SetBitmaps(IDB_BUTTON, IDB_BUTTON_HOT, IDB_BUTTON_PRESSED);
    m_next.SetBitmaps(IDB_BUTTON, IDB_BUTTON_HOT, IDB_BUTTON_PRESSED, IDB_BUTTON_DISABLED);
    if (!m_sendTo.HasProvider())
        m_sendTo.SetProvider(this, kVisibleOffers);
    // With the sender known the wizard ends here.
    if (!m_link->m_senderName.IsEmpty() && !m_link->m_senderEmail.IsEmpty())
        m_next.SetWindowText("Finish");
    m_next.EnableWindow(Validate() ? TRUE : FALSE);
    return TRUE;
}

void CRequestApprovalPage::DoDataExchange(CDataExchange* dx)
{
    DDX_Control(dx, IDC_SENDTO, m_sendTo);
    DDX_Control(dx, IDC_SENDTO_BUTTON, m_sendToButton);
    DDX_Control(dx, IDC_BACK, m_back);
    DDX_Control(dx, IDOK, m_next);
    DDX_Text(dx, IDC_SENDTO, m_link->m_recipientEmail);
    DDX_Text(dx, IDC_SUBJECT, m_link->m_subject);
    DDX_Text(dx, IDC_MESSAGE, m_link->m_message);
}

bool CRequestApprovalPage::Validate()
{
    if (IsValidEmail(m_link->m_recipientEmail.str()))
        return true;
    m_errorText.LoadString(IDS_INVALID_EMAIL);
    return false;
}

int CRequestApprovalPage::Commit()
{
    const int result = CSendFilePage::Commit();
    if (result != 0)
        return result;
    CAddressBook& book = m_settings.GetAddressBook();
    bool found = false;
    const CAddressBook::Entry known = book.Find(m_link->m_recipientEmail, found);
    if (found) {
        m_link->m_recipientName = known.second;
    } else {
        m_link->m_recipientName = GetEmailUser(m_link->m_recipientEmail.str());
        book.Add(m_link->m_recipientEmail, m_link->m_recipientName, true);
    }
    return 0;
}

void CRequestApprovalPage::GetSuggestions(const CString& typed, std::vector<CString>& suggestions)
{
    m_settings.GetAddressBook().GetSuggestions(typed, m_offers);
    suggestions.clear();
    for (const CAddressBook::Entry& offer : m_offers) {
        CString text;
        text.Format("%s <%s>", offer.second.GetString(), offer.first.GetString());
        suggestions.push_back(text);
    }
}

CString CRequestApprovalPage::GetSuggestionText(int index)
{
    if (index < 0 || index >= static_cast<int>(m_offers.size()))
        return CString();
    return m_offers[static_cast<std::size_t>(index)].first;
}

void CRequestApprovalPage::PickRecipient()
{
    CAddressBookDlg dialog(m_settings.GetAddressBook(), this, m_settings);
    dialog.SetEditMode(false);
    if (!m_offers.empty())
        dialog.m_chosen.email = m_offers.front().first;
    if (dialog.DoModal() != IDOK || dialog.m_chosen.email.IsEmpty())
        return;
    m_sendTo.SetTextQuietly(dialog.m_chosen.email);
}

void CRequestApprovalPage::SetMessageQuietly(const char* text)
{
    m_settingMessage = true;
    SetDlgItemText(IDC_MESSAGE, text);
    m_settingMessage = false;
}

void CRequestApprovalPage::OnMessageNotice(UINT code)
{
    switch (code) {
    case EN_SETFOCUS:
        if (m_placeholder)
            SetMessageQuietly("");
        break;
    case EN_KILLFOCUS:
        if (m_placeholder) {
            CString hint;
            hint.LoadString(IDS_MESSAGE_PLACEHOLDER);
            SetMessageQuietly(hint);
        }
        break;
    case EN_CHANGE:
        if (!m_settingMessage)
            m_placeholder = false;
        break;
    default:
        break;
    }
}

bool CRequestApprovalPage::OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    switch (msg) {
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_SENDTO_BUTTON:
            if (HIWORD(wParam) == BN_CLICKED) {
                PickRecipient();
                *result = 0;
                return true;
            }
            break;
        case IDC_SENDTO:
            if (HIWORD(wParam) == EN_CHANGE) {
                m_next.EnableWindow(m_sendTo.GetWindowText().IsEmpty() ? FALSE : TRUE);
                Invalidate();
            }
            break;
        case IDC_MESSAGE:
            OnMessageNotice(HIWORD(wParam));
            break;
        default:
            break;
        }
        break;
    case WM_CTLCOLOREDIT:
        // The hint is grey until the user is in the box.
        if (m_placeholder && reinterpret_cast<HWND>(lParam) == GetDlgItem(IDC_MESSAGE) &&
            ::GetFocus() != reinterpret_cast<HWND>(lParam)) {
            HDC dc = reinterpret_cast<HDC>(wParam);
            ::SetTextColor(dc, kPlaceholderText);
            ::SetBkColor(dc, RGB(0xFF, 0xFF, 0xFF));
            *result = reinterpret_cast<LRESULT>(static_cast<HBRUSH>(m_white));
            return true;
        }
        break;
    case WM_DESTROY:
        // A message left as the hint is sent as none.
        if (m_placeholder)
            m_link->m_message.Empty();
        break;
    default:
        break;
    }
    return CSendFilePage::OnWndMsg(msg, wParam, lParam, result);
}
