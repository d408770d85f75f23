#include "ui/AddressBookListCtrl.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "app/SettingsManager.h"
#include "framework/Brush.h"
#include "framework/DCGuards.h"
#include "framework/MessageBox.h"
#include "framework/Rect.h"
#include "ui/AddressBookEntryDlg.h"
#include "ui/InPlaceEdit.h"
#include "ui/res/ui_ids.h"

// Last: <windowsx.h> defines macros that other headers' members are named like.
#include "framework/MessageCrackers.h"

namespace {

const COLORREF kSelectedRow = 0x7ED6FE;
const COLORREF kSortColumn = 0xFFF3EF;
const COLORREF kHeaderBackground = 0xF7F3F2;
const int kImageSize = 24;
const int kRowHeight = kImageSize + 2;
const int kTextInset = 4;
const int kEditorHeight = 16;
const int kNarrowestEditable = 4; // a column this narrow is hidden in all but name
// Posted to itself when the user moved on from one cell: wParam the row, lParam the column.
const UINT kOpenEditor = WM_APP + 0x106;

int CompareEntries(const SContactEntry& a, const SContactEntry& b, int column)
{
    if (column == 0) {
        const int byName = a.name.CompareNoCase(b.name);
        return byName ? byName : a.email.CompareNoCase(b.email);
    }
    if (column == 1) {
        const int byEmail = a.email.CompareNoCase(b.email);
        return byEmail ? byEmail : a.name.CompareNoCase(b.name);
    }
    return 0;
}

const CString& CellText(const SContactEntry& entry, int column)
{
    return column == 0 ? entry.name : entry.email;
}

// Copies at most size - 1 characters and always terminates; nothing for no room.
template <typename Char>
void CopyBounded(Char* target, int size, const std::basic_string<Char>& text)
{
    if (!target || size <= 0)
        return;
    const std::size_t count = std::min(text.size(), static_cast<std::size_t>(size - 1));
    std::copy(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(count), target);
    target[count] = 0;
}

std::wstring Widened(const CString& text)
{
    const int length = ::MultiByteToWideChar(CP_ACP, 0, text, text.GetLength(), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(std::max(length, 0)), L'\0');
    if (length > 0)
        ::MultiByteToWideChar(CP_ACP, 0, text, text.GetLength(), &wide[0], length);
    return wide;
}

} // namespace

CAddressBookListCtrl::CAddressBookListCtrl(CSettingsManager& settings)
    : m_settings(settings), m_sortColumn(settings.GetABSortColumn()), m_ascending(settings.GetABSortAsceding() != 0)
{}

CAddressBookListCtrl::~CAddressBookListCtrl()
{
    m_settings.SetABSortColumn(m_sortColumn);
    m_settings.SetABSortAsceding(m_ascending ? 1 : 0);
}

void CAddressBookListCtrl::Init()
{
    if (m_initialised || !m_hWnd)
        return;
    m_initialised = true;
    CRect client;
    GetClientRect(client);
    CString heading;
    heading.LoadString(IDS_COLUMN_NAME);
    InsertColumn(0, heading, LVCFMT_LEFT, client.Width() / 2 - 5);
    heading.LoadString(IDS_COLUMN_EMAIL);
    InsertColumn(1, heading, LVCFMT_LEFT, client.Width() / 2);
    m_header.SetBackgroundColor(kHeaderBackground);
    if (HWND header = GetHeaderCtrl())
        (m_header.SubclassWindow)(header); // parenthesised: <windowsx.h> has such a macro
    SetExtendedStyle(LVS_EX_FULLROWSELECT | (m_checkBoxes ? LVS_EX_CHECKBOXES : 0));
    if (m_checkBoxes)
        SetCallbackMask(LVIS_STATEIMAGEMASK);
    if (m_rowImages.GetSafeHandle() ||
        m_rowImages.CreateFromBitmap(IDB_CONTACTS, kImageSize, kImageSize, 1, RGB(0, 0, 0)))
        SetImageList(m_rowImages, LVSIL_SMALL);
    Refresh();
}

// --- Rows ----------------------------------------------------------------------------------

void CAddressBookListCtrl::SetEntries(const std::vector<SContactEntry>& entries)
{
    m_entries = entries;
    m_modified = false;
    Sort();
    Refresh();
}

void CAddressBookListCtrl::SetChecked(int row, bool checked)
{
    if (!IsRow(row))
        return;
    m_entries[static_cast<std::size_t>(row)].checked = checked;
    if (m_hWnd)
        RedrawItems(row, row);
}

void CAddressBookListCtrl::SetAllChecked(bool checked)
{
    for (SContactEntry& entry : m_entries)
        entry.checked = checked;
    Refresh();
}

void CAddressBookListCtrl::Sort()
{
    const int column = m_sortColumn;
    const bool ascending = m_ascending;
    std::stable_sort(m_entries.begin(), m_entries.end(), [=](const SContactEntry& a, const SContactEntry& b) {
        const int c = CompareEntries(a, b, column);
        return ascending ? c < 0 : c > 0;
    });
}

void CAddressBookListCtrl::SortKeeping(const SContactEntry* entry)
{
    const SContactEntry kept = entry ? *entry : SContactEntry();
    Sort();
    Refresh();
    if (!entry)
        return;
    for (std::size_t row = 0; row < m_entries.size(); ++row) {
        if (m_entries[row].email == kept.email && m_entries[row].name == kept.name) {
            SelectRow(static_cast<int>(row));
            return;
        }
    }
}

void CAddressBookListCtrl::SortByColumn(int column)
{
    if (column != 0 && column != 1)
        return;
    if (column == m_sortColumn) {
        m_ascending = !m_ascending;
        std::reverse(m_entries.begin(), m_entries.end());
    } else {
        m_sortColumn = column;
        m_ascending = true;
        Sort();
    }
    Refresh();
}

void CAddressBookListCtrl::Refresh()
{
    if (!m_hWnd)
        return;
    SetItemCountEx(static_cast<int>(m_entries.size()), LVSICF_NOSCROLL);
    Invalidate();
}

void CAddressBookListCtrl::SelectRow(int row)
{
    if (!IsRow(row) || !m_hWnd)
        return;
    SetItemState(-1, 0, LVIS_SELECTED);
    SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    SetSelectionMark(row);
    EnsureVisible(row, FALSE);
}

void CAddressBookListCtrl::SelectText(const CString& email)
{
    if (email.IsEmpty())
        return;
    Sort();
    Refresh();
    for (std::size_t row = 0; row < m_entries.size(); ++row) {
        if (m_entries[row].email.CompareNoCase(email) == 0) {
            SelectRow(static_cast<int>(row));
            return;
        }
    }
}

HWND CAddressBookListCtrl::ParentWindow() const
{
    return m_hWnd ? GetParent() : nullptr;
}

void CAddressBookListCtrl::AddEntry()
{
    CAddressBookEntryDlg dialog(CWnd::FromHandlePermanent(ParentWindow()));
    if (dialog.DoModal() != IDOK)
        return;
    SContactEntry entry;
    entry.email = dialog.m_email;
    entry.name = dialog.m_name;
    m_entries.push_back(entry);
    m_modified = true;
    SortKeeping(&entry);
}

void CAddressBookListCtrl::EditSelected()
{
    const int row = m_hWnd ? GetSelectionMark() : -1;
    if (!IsRow(row))
        return;
    CAddressBookEntryDlg dialog(CWnd::FromHandlePermanent(ParentWindow()));
    dialog.m_name = m_entries[static_cast<std::size_t>(row)].name;
    dialog.m_email = m_entries[static_cast<std::size_t>(row)].email;
    // The rows may have changed while the dialog was open (nothing else edits them today).
    if (dialog.DoModal() != IDOK || !IsRow(row))
        return;
    SContactEntry& entry = m_entries[static_cast<std::size_t>(row)];
    entry.name = dialog.m_name;
    entry.email = dialog.m_email;
    m_modified = true;
    const SContactEntry edited = entry;
    SortKeeping(&edited);
}

void CAddressBookListCtrl::RemoveSelected()
{
    const int row = m_hWnd ? GetSelectionMark() : -1;
    if (!IsRow(row) || AfxMessageBox(IDS_ARE_YOU_SURE, MB_YESNO | MB_ICONQUESTION) != IDYES || !IsRow(row))
        return;
    m_entries.erase(m_entries.begin() + row);
    m_modified = true;
    DeleteItem(row); // the selection goes with the row, the rows after it move up
    SetSelectionMark(-1);
    Invalidate();
}

// --- In-place editing ----------------------------------------------------------------------

void CAddressBookListCtrl::EditCell(int row, int column)
{
    if (!IsRow(row) || (column != 0 && column != 1) || !m_hWnd)
        return;
    EnsureVisible(row, FALSE);
    CRect cell;
    if (!GetSubItemRect(row, column, column == 0 ? LVIR_LABEL : LVIR_BOUNDS, cell))
        return;
    CRect client;
    GetClientRect(client);
    if (cell.left < client.left || cell.right > client.right) {
        Scroll(CSize(cell.left - client.left, 0));
        GetSubItemRect(row, column, column == 0 ? LVIR_LABEL : LVIR_BOUNDS, cell);
    }
    if (cell.Width() <= kNarrowestEditable)
        return;
    LVCOLUMNA format = {};
    format.mask = LVCF_FMT;
    SendMessage(LVM_GETCOLUMNA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&format));
    DWORD align = ES_LEFT;
    if ((format.fmt & LVCFMT_JUSTIFYMASK) == LVCFMT_RIGHT)
        align = ES_RIGHT;
    else if ((format.fmt & LVCFMT_JUSTIFYMASK) == LVCFMT_CENTER)
        align = ES_CENTER;
    const int top = cell.top + (cell.Height() - kEditorHeight) / 2;
    const CRect place(cell.left, top, cell.right, top + kEditorHeight);
    auto* editor = new CInPlaceEdit(row, column, CellText(m_entries[static_cast<std::size_t>(row)], column));
    // A failed creation ends in WM_NCDESTROY too, which deletes the editor.
    if (editor->Create(WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL | align, place, m_hWnd, IDC_INPLACE_EDIT))
        m_editor = editor;
}

void CAddressBookListCtrl::OnEndLabelEdit(const NMLVDISPINFOA* info)
{
    const bool movedOn = m_editor && m_editor->EndedByTab();
    m_editor = nullptr;
    const int row = info->item.iItem;
    const int column = info->item.iSubItem;
    if (!IsRow(row) || (column != 0 && column != 1))
        return;
    if (info->item.pszText) {
        SContactEntry& entry = m_entries[static_cast<std::size_t>(row)];
        (column == 0 ? entry.name : entry.email) = info->item.pszText;
        m_modified = true;
        RedrawItems(row, row);
    }
    // Opened once this editor has gone.
    if (movedOn)
        PostMessage(kOpenEditor, static_cast<WPARAM>(row), column == 0 ? 1 : 0);
}

// --- Clicks --------------------------------------------------------------------------------

void CAddressBookListCtrl::OnClick(const NMITEMACTIVATE* click)
{
    LVHITTESTINFO hit = {};
    hit.pt = click->ptAction;
    const int row = SubItemHitTest(&hit);
    if (m_checkBoxes) {
        if (IsRow(row) && (hit.flags & LVHT_ONITEM)) {
            SContactEntry& entry = m_entries[static_cast<std::size_t>(row)];
            entry.checked = !entry.checked;
            RedrawItems(row, row);
            ::PostMessageA(ParentWindow(), kCheckToggled, static_cast<WPARAM>(row), entry.checked ? 1 : 0);
        }
        return;
    }
    if (!m_editable)
        return;
    const bool justSelected = m_selectionChanged;
    m_selectionChanged = false;
    if (justSelected || !IsRow(row) || !(hit.flags & LVHT_ONITEM))
        return;
    // The name cell's picture is no text to edit.
    if (hit.iSubItem == 0 && (hit.flags & LVHT_ONITEM) == LVHT_ONITEMICON)
        return;
    EditCell(row, hit.iSubItem);
}

// --- Drawing -------------------------------------------------------------------------------

void CAddressBookListCtrl::DrawItem(const DRAWITEMSTRUCT* draw)
{
    const int row = static_cast<int>(draw->itemID);
    if (!IsRow(row))
        return;
    const SContactEntry& entry = m_entries[static_cast<std::size_t>(row)];
    HDC dc = draw->hDC;
    CSaveDCGuard saved(dc);
    ::SelectObject(dc, GetFont());
    ::SetBkMode(dc, TRANSPARENT);
    ::SetTextColor(dc, RGB(0, 0, 0));
    const bool selected = (draw->itemState & ODS_SELECTED) != 0;
    for (int column = 0; column < 2; ++column) {
        CRect cell;
        if (!GetSubItemRect(row, column, LVIR_BOUNDS, cell))
            continue;
        if (column == 0) {
            // The first column's bounds are the whole row's.
            CRect label;
            GetSubItemRect(row, 0, LVIR_LABEL, label);
            cell.right = label.right;
        }
        CBrush fill(selected ? kSelectedRow : column == m_sortColumn ? kSortColumn : RGB(0xFF, 0xFF, 0xFF));
        ::FillRect(dc, cell, fill);
        CRect text = cell;
        if (column == 0) {
            CRect icon, label;
            GetSubItemRect(row, 0, LVIR_ICON, icon);
            GetSubItemRect(row, 0, LVIR_LABEL, label);
            if (m_checkBoxes) {
                // The list draws no tick in an owner-drawn row: its state image is drawn here.
                HIMAGELIST ticks = GetImageList(LVSIL_STATE);
                int width = 0, height = 0;
                if (ticks && ImageList_GetIconSize(ticks, &width, &height))
                    ImageList_Draw(ticks, entry.checked ? 1 : 0, dc, icon.left - width,
                                   cell.top + (cell.Height() - height) / 2, ILD_TRANSPARENT);
            }
            if (m_rowImages.GetSafeHandle())
                m_rowImages.Draw(dc, 0, CPoint(icon.left, cell.top + (cell.Height() - kImageSize) / 2),
                                 ILD_TRANSPARENT);
            text.left = label.left;
        }
        text.DeflateRect(kTextInset, 0);
        const CString& value = CellText(entry, column);
        ::DrawTextA(dc, value, value.GetLength(), text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
}

void CAddressBookListCtrl::EraseBackground(HDC dc)
{
    CRect client;
    GetClientRect(client);
    CBrush white(RGB(0xFF, 0xFF, 0xFF));
    ::FillRect(dc, client, white);
    // The sort column's band goes on below the last row.
    CRect band;
    if (!m_header.m_hWnd || !m_header.GetItemRect(m_sortColumn, band))
        return;
    CRect header;
    m_header.GetWindowRect(header);
    ScreenToClient(header);
    band.OffsetRect(header.left, 0);
    band.top = header.bottom;
    const int count = GetItemCount();
    CRect last;
    if (count > 0 && GetItemRect(count - 1, last, LVIR_BOUNDS))
        band.top = std::max(band.top, last.bottom);
    band.bottom = client.bottom;
    if (band.top < band.bottom) {
        CBrush fill(kSortColumn);
        ::FillRect(dc, band, fill);
    }
}

void CAddressBookListCtrl::FillDisplayInfo(LVITEMA* item, wchar_t* wideText)
{
    const int row = item->iItem;
    if (!IsRow(row))
        return;
    const SContactEntry& entry = m_entries[static_cast<std::size_t>(row)];
    if (item->mask & LVIF_TEXT) {
        const CString& text = CellText(entry, item->iSubItem);
        if (wideText)
            CopyBounded(wideText, item->cchTextMax, Widened(text));
        else
            CopyBounded(item->pszText, item->cchTextMax, text.str());
    }
    if (item->mask & LVIF_IMAGE)
        item->iImage = 0;
    if (m_checkBoxes && (item->mask & LVIF_STATE)) {
        item->state = (item->state & ~LVIS_STATEIMAGEMASK) | INDEXTOSTATEIMAGEMASK(entry.checked ? 2 : 1);
        item->stateMask |= LVIS_STATEIMAGEMASK;
    }
}

// --- Messages ------------------------------------------------------------------------------

bool CAddressBookListCtrl::OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    switch (msg) {
    case WM_MEASUREITEM:
        MeasureItemFromLParam(lParam)->itemHeight = kRowHeight;
        *result = TRUE;
        return true;
    case WM_DRAWITEM:
        DrawItem(DrawItemFromLParam(lParam));
        *result = TRUE;
        return true;
    case WM_NOTIFY: {
        const NMHDR* header = NotifyFromLParam(lParam);
        switch (header->code) {
        case LVN_GETDISPINFOA:
            FillDisplayInfo(&reinterpret_cast<NMLVDISPINFOA*>(lParam)->item, nullptr);
            *result = 0;
            return true;
        case LVN_GETDISPINFOW: {
            // The same layout but the text's type.
            LVITEMW& wide = reinterpret_cast<NMLVDISPINFOW*>(lParam)->item;
            FillDisplayInfo(reinterpret_cast<LVITEMA*>(&wide), wide.pszText);
            *result = 0;
            return true;
        }
        case LVN_ITEMCHANGED: {
            const auto* change = reinterpret_cast<const NMLISTVIEW*>(lParam);
            if ((change->uChanged & LVIF_STATE) && ((change->uNewState ^ change->uOldState) & LVIS_SELECTED))
                m_selectionChanged = true;
            break;
        }
        case LVN_ODSTATECHANGED:
            m_selectionChanged = true;
            break;
        case LVN_COLUMNCLICK:
            SortByColumn(reinterpret_cast<const NMLISTVIEW*>(lParam)->iSubItem);
            break;
        case NM_CLICK:
            OnClick(reinterpret_cast<const NMITEMACTIVATE*>(lParam));
            break;
        case LVN_ENDLABELEDITA:
            if (header->idFrom == IDC_INPLACE_EDIT) {
                OnEndLabelEdit(reinterpret_cast<const NMLVDISPINFOA*>(lParam));
                *result = 0;
                return true;
            }
            break;
        default:
            break;
        }
        break;
    }
    default:
        break;
    }
    return CListCtrl::OnChildNotify(msg, wParam, lParam, result);
}

bool CAddressBookListCtrl::OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    switch (msg) {
    case WM_ERASEBKGND:
        EraseBackground(reinterpret_cast<HDC>(wParam));
        *result = TRUE;
        return true;
    case kOpenEditor:
        EditCell(static_cast<int>(wParam), static_cast<int>(lParam));
        *result = 0;
        return true;
    case WM_DESTROY:
        m_initialised = false;
        m_editor = nullptr;
        break;
    default:
        break;
    }
    return CListCtrl::OnWndMsg(msg, wParam, lParam, result);
}
