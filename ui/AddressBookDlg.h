#pragma once
// CAddressBookDlg: the address book shown and edited (edit mode: cells edited in place, Add, Edit
// and Remove), or a contact picked from it (selection mode: no editing, a double click picks).
// OK writes the book once when anything changed, and returns the contact with the selection
// mark. User-interface thread.

#include "app/SettingsManager.h"
#include "ui/AddressBookListCtrl.h"
#include "ui/TNButtonTr.h"
#include "ui/TNDialog.h"

class CAddressBook;

class CAddressBookDlg : public CTNDialog {
public:
    // Every contact of the book is copied into the list; the book and the settings must outlive
    // the dialog.
    CAddressBookDlg(CAddressBook& book, CWnd* parent = nullptr,
                    CSettingsManager& settings = *CSettingsManager::Instance());

    // Edit mode is the default; clear it before DoModal to pick a contact.
    void SetEditMode(bool edit);
    bool IsEditMode() const { return m_editMode; }

    // Before DoModal: the contact whose address is selected at the start (may be empty). After
    // IDOK: the row that had the selection mark, when one had it.
    SContactEntry m_chosen;

    CAddressBookListCtrl& GetList() { return m_list; }

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* dx) override;
    void OnOK() override;
    bool OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

private:
    CAddressBook& m_book;
    bool m_editMode = true;
    CAddressBookListCtrl m_list;
    CTNButtonTr m_ok;
    CTNButtonTr m_cancel;
    CTNButtonTr m_add;
    CTNButtonTr m_edit;
    CTNButtonTr m_remove;
};
