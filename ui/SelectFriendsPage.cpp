#include "ui/SelectFriendsPage.h"

#include <algorithm>

#include "app/AddressBook.h"
#include "app/SettingsManager.h"
#include "framework/DataExchange.h"
#include "framework/WindowDCs.h"
#include "ui/TAFSheet.h"

namespace {

const int kPictureWidth = 28;
const int kPictureHeight = 25;
const POINT kPictureAt = {25, 30}; // left of the title

} // namespace

CSelectFriendsPage::CSelectFriendsPage(CTAFSheet& sheet, CSettingsManager& settings)
    : CTAFPage(IDD_SELECT_FRIENDS, sheet), m_settings(settings), m_list(settings)
{
    m_list.SetCheckBoxes(true);
    m_list.SetEditable(false);
}

BOOL CSelectFriendsPage::OnInitDialog()
{
    CTAFPage::OnInitDialog();
    m_next.SetBitmaps(IDB_TAF_NEXT, IDB_TAF_NEXT_HOT, IDB_TAF_NEXT_HOT, IDB_TAF_NEXT_DISABLED);
    if (!m_picture.GetSafeHandle())
        m_picture.CreateFromBitmap(IDB_FRIENDS, kPictureWidth, kPictureHeight, 1, RGB(0, 255, 0));
    m_list.Init();
    AddBookEntries();
    TicksChanged();
    return TRUE;
}

void CSelectFriendsPage::DoDataExchange(CDataExchange* dx)
{
    DDX_Control(dx, IDC_LIST, m_list);
    DDX_Control(dx, IDOK, m_next);
    DDX_Check(dx, IDC_SELECT_ALL, m_selectAll);
}

void CSelectFriendsPage::AddBookEntries()
{
    // The rows stay between runs of the page, ticks and all: only contacts not shown yet join.
    std::vector<SContactEntry> rows = m_list.GetEntries();
    CItemList all;
    m_settings.GetAddressBook().GetSuggestions(CString(), all);
    for (const CAddressBook::Entry& pair : all) {
        const bool shown = std::any_of(rows.begin(), rows.end(), [&](const SContactEntry& row) {
            return row.email == pair.first && row.name == pair.second;
        });
        if (shown)
            continue;
        SContactEntry row;
        row.email = pair.first;
        row.name = pair.second;
        rows.push_back(row);
    }
    m_list.SetEntries(rows);
}

void CSelectFriendsPage::TicksChanged()
{
    const std::vector<SContactEntry>& rows = m_list.GetEntries();
    m_ticked =
        static_cast<int>(std::count_if(rows.begin(), rows.end(), [](const SContactEntry& row) { return row.checked; }));
    m_next.EnableWindow(Validate() ? TRUE : FALSE);
    m_next.Invalidate();
}

bool CSelectFriendsPage::Validate()
{
    if (m_ticked > 0)
        return true;
    m_errorText.LoadString(IDS_NO_FRIEND_SELECTED);
    return false;
}

int CSelectFriendsPage::Commit()
{
    std::vector<STAFRecipient>& recipients = m_sheet->GetMail().m_recipients;
    recipients.clear();
    for (const SContactEntry& row : m_list.GetEntries()) {
        STAFRecipient recipient;
        recipient.m_email = row.email;
        recipient.m_name = row.name;
        recipient.m_chosen = row.checked;
        recipients.push_back(recipient);
    }
    return CTAFPage::Commit();
}

void CSelectFriendsPage::Paint()
{
    CPaintDC dc(m_hWnd);
    if (m_picture.GetSafeHandle())
        m_picture.Draw(dc, 0, kPictureAt, ILD_TRANSPARENT);
}

bool CSelectFriendsPage::OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    switch (msg) {
    case CAddressBookListCtrl::kCheckToggled:
        m_list.SetChecked(static_cast<int>(wParam), lParam != 0);
        TicksChanged();
        *result = 0;
        return true;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_SELECT_ALL && HIWORD(wParam) == BN_CLICKED) {
            m_selectAll = ::IsDlgButtonChecked(m_hWnd, IDC_SELECT_ALL) == BST_CHECKED;
            m_list.SetAllChecked(m_selectAll);
            TicksChanged();
            *result = 0;
            return true;
        }
        break;
    case WM_PAINT:
        Paint();
        *result = 0;
        return true;
    default:
        break;
    }
    return CTAFPage::OnWndMsg(msg, wParam, lParam, result);
}
