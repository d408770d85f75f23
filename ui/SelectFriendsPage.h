#pragma once
// CSelectFriendsPage: the tell-a-friend wizard's first step: the address book's contacts, each
// with a tick, and "Select All". Next is enabled while at least one row is ticked; the count of
// ticked rows is taken from the rows themselves on every change, so a toggle reported twice or
// late cannot let Next through with nobody ticked. Commit hands every row, with its tick, to the
// invitation. User-interface thread.

#include "framework/ImageList.h"
#include "ui/AddressBookListCtrl.h"
#include "ui/TAFPage.h"
#include "ui/TNButtonTr.h"

class CSettingsManager;

class CSelectFriendsPage : public CTAFPage {
public:
    // The settings hold the address book and the list's sort; they outlive the page.
    CSelectFriendsPage(CTAFSheet& sheet, CSettingsManager& settings);

    bool Validate() override;
    int Commit() override;

    CAddressBookListCtrl& GetList() { return m_list; }
    int GetTickedCount() const { return m_ticked; }

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* dx) override;
    bool OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

private:
    void AddBookEntries();
    void TicksChanged();
    void Paint();

    CSettingsManager& m_settings;
    CAddressBookListCtrl m_list;
    bool m_selectAll = false;
    int m_ticked = 0;
    CTNButtonTr m_next;
    CImageList m_picture;
};
