#pragma once
// CAddressBookListCtrl: the list of contacts (e-mail address and name) of the address-book dialog
// and the tell-a-friend wizard: an owner-data, owner-drawn report list with a flat header
// (CHeaderCtrlSelfDraw) whose rows it keeps itself, sorted by name or address as the user clicked
// the columns last (the ABSortColumn and ABSortAsceding settings, written back when the object
// goes). In check-box mode each row carries a tick, toggled by a click, and the parent hears of
// each toggle (kCheckToggled); in editable mode a click on a selected row's cell opens an
// in-place editor on it, and Add, Edit and Remove change the rows through dialogs.
//
// Subclass a template's list (LVS_OWNERDATA | LVS_OWNERDRAWFIXED | LVS_REPORT) with DDX_Control
// or SubclassDlgItem, choose the modes, then Init. User-interface thread.

#include <vector>

#include <windows.h>
#include <commctrl.h>

#include "framework/ImageList.h"
#include "framework/ListCtrl.h"
#include "framework/String.h"
#include "ui/HeaderCtrlSelfDraw.h"

class CInPlaceEdit;
class CSettingsManager;

struct SContactEntry {
    CString email;
    CString name;
    bool checked = false; // check-box mode only
};

class CAddressBookListCtrl : public CListCtrl {
public:
    // Posted to the parent when a row's tick was toggled: wParam the row, lParam the new value.
    static constexpr UINT kCheckToggled = WM_USER + 5;

    // The settings hold the sort; they must outlive the list.
    explicit CAddressBookListCtrl(CSettingsManager& settings);
    ~CAddressBookListCtrl() override;

    // Modes; set before Init.
    void SetCheckBoxes(bool on) { m_checkBoxes = on; }
    void SetEditable(bool on) { m_editable = on; }
    bool IsEditable() const { return m_editable; }

    // Columns "Name" and "Email" over the list's width, the flat header, row images, and the
    // row count. Once per window.
    void Init();

    // The rows: replaced (then sorted) and read. Rows are indexes into GetEntries().
    void SetEntries(const std::vector<SContactEntry>& entries);
    const std::vector<SContactEntry>& GetEntries() const { return m_entries; }
    // Sets one row's tick (ignored outside the rows) or every row's, and repaints.
    void SetChecked(int row, bool checked);
    void SetAllChecked(bool checked);
    // Any add, edit, remove or in-place change since the entries were set.
    bool IsModified() const { return m_modified; }

    int GetSortColumn() const { return m_sortColumn; }
    bool IsSortAscending() const { return m_ascending; }
    // As a click on a column's heading: the sort column flips its direction, another column
    // becomes the sort column, ascending.
    void SortByColumn(int column);

    // The Add, Edit and Remove buttons: the entry dialog (empty, or filled with the row that has
    // the selection mark), or "Are you sure?" for Remove. The list then sorts again.
    void AddEntry();
    void EditSelected();
    void RemoveSelected();

    // Selects the first row whose address is `email` (regardless of case) and scrolls to it;
    // an empty text changes nothing.
    void SelectText(const CString& email);

    // Opens the in-place editor on a cell (column 0 the name, 1 the address).
    void EditCell(int row, int column);
    // The editor now open, or null.
    CInPlaceEdit* GetEditor() const { return m_editor; }

    // Draws one row (the list calls it for WM_DRAWITEM; a test may hand it any DC).
    void DrawItem(const DRAWITEMSTRUCT* draw);

protected:
    bool OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    bool OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

private:
    bool IsRow(int row) const { return row >= 0 && row < static_cast<int>(m_entries.size()); }
    void Sort();
    void Refresh();
    void SelectRow(int row);
    // The row that was edited last lands where the sort puts it: it stays selected.
    void SortKeeping(const SContactEntry* entry);
    void OnClick(const NMITEMACTIVATE* click);
    void OnEndLabelEdit(const NMLVDISPINFOA* info);
    void FillDisplayInfo(LVITEMA* item, wchar_t* wideText);
    void EraseBackground(HDC dc);
    HWND ParentWindow() const;

    CSettingsManager& m_settings;
    int m_sortColumn;
    bool m_ascending;
    bool m_checkBoxes = false;
    bool m_editable = false;
    bool m_selectionChanged = false; // consumed by the next click
    std::vector<SContactEntry> m_entries;
    bool m_modified = false;
    bool m_initialised = false;
    CHeaderCtrlSelfDraw m_header;
    CImageList m_rowImages;
    CInPlaceEdit* m_editor = nullptr; // the window's child; it deletes itself
};
