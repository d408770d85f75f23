#include "ui/AddressBookDlg.h"

#include "app/AddressBook.h"
#include "framework/DataExchange.h"
#include "framework/MessageBox.h"
#include "framework/MessageCrackers.h"
#include "framework/Rect.h"
#include "ui/res/ui_ids.h"

namespace {

// In selection mode the list takes the room of the hidden buttons.
const int kWidenedBy = 55; // dialog units

// The notification code, from the list, that stands for OK.
const int kListOk = 2;

} // namespace

CAddressBookDlg::CAddressBookDlg(CAddressBook& book, CWnd* parent, CSettingsManager& settings)
    : CTNDialog(IDD_ADDRESS_BOOK, parent), m_book(book), m_list(settings)
{
    m_iconId = IDI_ADDRESS_BOOK;
    m_backgroundBitmapId = IDB_DIALOG_BACKGROUND;
    CItemList all;
    book.GetSuggestions(CString(), all);
    std::vector<SContactEntry> entries;
    for (const CAddressBook::Entry& pair : all) {
        SContactEntry entry;
        entry.email = pair.first;
        entry.name = pair.second;
        entries.push_back(entry);
    }
    m_list.SetEntries(entries);
    m_list.SetEditable(true);
}

void CAddressBookDlg::SetEditMode(bool edit)
{
    m_editMode = edit;
    m_list.SetEditable(edit);
}

BOOL CAddressBookDlg::OnInitDialog()
{
    CTNDialog::OnInitDialog();
    m_ok.SetBitmaps(IDB_BUTTON, IDB_BUTTON_HOT, IDB_BUTTON_PRESSED);
    m_cancel.SetBitmaps(IDB_BUTTON, IDB_BUTTON_HOT, IDB_BUTTON_PRESSED);
    m_add.SetBitmaps(IDB_SMALL_BUTTON, IDB_SMALL_BUTTON_HOT, IDB_SMALL_BUTTON_HOT);
    m_edit.SetBitmaps(IDB_SMALL_BUTTON, IDB_SMALL_BUTTON_HOT, IDB_SMALL_BUTTON_HOT);
    m_remove.SetBitmaps(IDB_SMALL_BUTTON, IDB_SMALL_BUTTON_HOT, IDB_SMALL_BUTTON_HOT);
    if (!m_editMode) {
        m_add.ShowWindow(SW_HIDE);
        m_edit.ShowWindow(SW_HIDE);
        m_remove.ShowWindow(SW_HIDE);
        CRect widen(0, 0, kWidenedBy, 0);
        MapDialogRect(widen);
        CRect rect;
        m_list.GetWindowRect(rect);
        ScreenToClient(rect);
        m_list.SetWindowPos(nullptr, 0, 0, rect.Width() + widen.Width(), rect.Height(),
                            SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    m_list.Init();
    m_list.SelectText(m_chosen.email);
    return TRUE;
}

void CAddressBookDlg::DoDataExchange(CDataExchange* dx)
{
    DDX_Control(dx, IDC_LIST, m_list);
    DDX_Control(dx, IDOK, m_ok);
    DDX_Control(dx, IDCANCEL, m_cancel);
    DDX_Control(dx, IDC_ADD, m_add);
    DDX_Control(dx, IDC_EDIT, m_edit);
    DDX_Control(dx, IDC_REMOVE, m_remove);
}

void CAddressBookDlg::OnOK()
{
    if (m_list.IsModified()) {
        CItemList entries;
        for (const SContactEntry& entry : m_list.GetEntries())
            entries.emplace_back(entry.email, entry.name);
        // One write: a failed one leaves the file as it was, and the book keeps the changes.
        m_book.Replace(entries);
        if (!m_book.Save())
            AfxMessageBox(IDS_ADDRESS_BOOK_NOT_SAVED, MB_OK | MB_ICONEXCLAMATION);
    }
    const int row = m_list.GetSelectionMark();
    if (row >= 0 && row < static_cast<int>(m_list.GetEntries().size()))
        m_chosen = m_list.GetEntries()[static_cast<std::size_t>(row)];
    EndDialog(IDOK);
}

bool CAddressBookDlg::OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    switch (msg) {
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED) {
            switch (LOWORD(wParam)) {
            case IDC_ADD:
                m_list.AddEntry();
                *result = 0;
                return true;
            case IDC_EDIT:
                m_list.EditSelected();
                *result = 0;
                return true;
            case IDC_REMOVE:
                m_list.RemoveSelected();
                *result = 0;
                return true;
            default:
                break;
            }
        }
        if (LOWORD(wParam) == IDC_LIST && HIWORD(wParam) == kListOk) {
            OnOK();
            *result = 0;
            return true;
        }
        break;
    case WM_NOTIFY: {
        const NMHDR* header = NotifyFromLParam(lParam);
        if (header->idFrom == IDC_LIST && header->code == static_cast<UINT>(NM_DBLCLK) && !m_editMode) {
            OnOK();
            *result = 0;
            return true;
        }
        break;
    }
    default:
        break;
    }
    return CTNDialog::OnWndMsg(msg, wParam, lParam, result);
}
