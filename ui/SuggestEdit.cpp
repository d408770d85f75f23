#include "ui/SuggestEdit.h"

#include <algorithm>

#include <commctrl.h>

#include "framework/Rect.h"
#include "framework/WndClass.h"
#include "ui/res/ui_ids.h"

// Last: <windowsx.h> defines macros that other headers' members are named like.
#include "framework/MessageCrackers.h"

const char* const CSuggestEdit::kPopupTitle = "SuggestListMat";

namespace {

const char* const kPopupClass = "TarnixSuggestPopup";
const int kGap = 2;             // between the edit and the popup
const int kEmptyRowHeight = 20; // while the list has no row to measure

} // namespace

// --- The popup's list ----------------------------------------------------------------------

BOOL CSuggestListCtrl::PreTranslateMessage(MSG* msg)
{
    if (msg->hwnd != m_hWnd || msg->message != WM_KEYDOWN)
        return FALSE;
    if (msg->wParam == VK_RETURN) {
        m_edit.Choose(GetNextItem(-1, LVNI_SELECTED));
        return TRUE;
    }
    if (msg->wParam == VK_ESCAPE) {
        m_edit.HidePopup();
        return TRUE;
    }
    return FALSE;
}

bool CSuggestListCtrl::OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    if (msg == WM_NOTIFY && NotifyFromLParam(lParam)->code == static_cast<UINT>(NM_CLICK)) {
        const int row = HitTest(reinterpret_cast<const NMITEMACTIVATE*>(lParam)->ptAction);
        if (row >= 0)
            m_edit.Choose(row);
        *result = 0;
        return true;
    }
    return CListCtrl::OnChildNotify(msg, wParam, lParam, result);
}

bool CSuggestEdit::CPopup::OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    if (msg == WM_MOUSEACTIVATE) {
        *result = MA_NOACTIVATE;
        return true;
    }
    return CWnd::OnWndMsg(msg, wParam, lParam, result);
}

// --- The edit ------------------------------------------------------------------------------

CSuggestEdit::CSuggestEdit() : m_list(*this) {}

CSuggestEdit::~CSuggestEdit()
{
    // The popup belongs to this edit's window, not to its owner's lifetime alone.
    if (m_popup.m_hWnd)
        m_popup.DestroyWindow();
}

void CSuggestEdit::SetProvider(ISuggestProvider* provider, int maxRows)
{
    m_provider = provider;
    m_maxRows = std::max(maxRows, 1);
    if (!m_hWnd || m_popup.m_hWnd)
        return;
    AfxRegisterClass(kPopupClass, 0, ::LoadCursorA(nullptr, IDC_ARROW),
                     reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1)));
    CRect edit;
    GetWindowRect(edit);
    const CRect place(edit.left, edit.bottom + kGap, edit.right, edit.bottom + kGap + kEmptyRowHeight);
    HWND owner = ::GetAncestor(m_hWnd, GA_ROOT);
    if (!m_popup.CreateEx(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kPopupClass, kPopupTitle, WS_POPUP | WS_BORDER, place,
                          owner, 0))
        return;
    CRect client;
    m_popup.GetClientRect(client);
    m_list.Create(WS_VISIBLE | LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SINGLESEL | LVS_SHOWSELALWAYS, client, m_popup,
                  IDC_SUGGEST_LIST);
    m_list.SetExtendedStyle(LVS_EX_FULLROWSELECT);
    m_list.SetFont(GetFont(), FALSE);
    m_list.InsertColumn(0, "Suggest", LVCFMT_LEFT, client.Width());
    Refill();
    HidePopup();
}

void CSuggestEdit::SetTextQuietly(const char* text)
{
    // The edit reports the change while the text is set.
    m_setByProgram = true;
    SetWindowText(text);
    m_setByProgram = false;
}

bool CSuggestEdit::IsPopupVisible() const
{
    return m_popup.m_hWnd && m_popup.IsWindowVisible();
}

void CSuggestEdit::Refill()
{
    m_suggestions.clear();
    if (m_provider)
        m_provider->GetSuggestions(GetWindowText(), m_suggestions);
    if (!m_list.m_hWnd)
        return;
    m_list.DeleteAllItems();
    for (std::size_t i = 0; i < m_suggestions.size(); ++i)
        m_list.InsertItem(static_cast<int>(i), m_suggestions[i]);
    if (!m_suggestions.empty())
        m_list.SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    // Offers for a text the program set are kept, not shown.
    if (m_suggestions.empty() || m_setByProgram)
        HidePopup();
    else
        ShowPopup();
}

void CSuggestEdit::ShowPopup()
{
    if (!m_popup.m_hWnd)
        return;
    const int count = static_cast<int>(m_suggestions.size());
    // One offer gets room for two rows.
    const int rows = std::min(count == 0 ? 1 : count == 1 ? 2 : count, m_maxRows);
    CRect row;
    const int rowHeight = m_list.GetItemCount() > 0 && m_list.GetItemRect(0, row, LVIR_BOUNDS) && row.Height() > 0
                              ? static_cast<int>(row.Height())
                              : kEmptyRowHeight;
    CRect edit;
    GetWindowRect(edit);
    const int border = 2 * ::GetSystemMetrics(SM_CYBORDER);
    m_popup.SetWindowPos(HWND_TOPMOST, edit.left, edit.bottom + kGap, edit.Width(), rows * rowHeight + border,
                         SWP_NOACTIVATE | SWP_SHOWWINDOW);
    CRect client;
    m_popup.GetClientRect(client);
    m_list.MoveWindow(client);
    m_list.SetColumnWidth(0, client.Width());
    m_list.EnsureVisible(std::max(m_list.GetNextItem(-1, LVNI_SELECTED), 0), FALSE);
}

void CSuggestEdit::HidePopup()
{
    if (m_popup.m_hWnd)
        m_popup.ShowWindow(SW_HIDE);
}

void CSuggestEdit::Choose(int index)
{
    if (!m_provider || index < 0 || index >= static_cast<int>(m_suggestions.size()))
        return;
    SetTextQuietly(m_provider->GetSuggestionText(index));
    const int end = GetWindowText().GetLength();
    SetSel(end, end);
    HidePopup();
    if (::GetFocus() != m_hWnd)
        SetFocus();
}

BOOL CSuggestEdit::PreTranslateMessage(MSG* msg)
{
    if (msg->hwnd != m_hWnd || msg->message != WM_KEYDOWN)
        return FALSE;
    switch (msg->wParam) {
    case VK_TAB:
    case VK_LEFT:
    case VK_RIGHT:
        HidePopup();
        return FALSE;
    case VK_RETURN:
        if (!IsPopupVisible())
            return FALSE;
        Choose(m_list.GetNextItem(-1, LVNI_SELECTED));
        return TRUE;
    case VK_ESCAPE:
        if (!IsPopupVisible())
            return FALSE;
        HidePopup();
        return TRUE;
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT:
        if (m_suggestions.empty() || !m_list.m_hWnd)
            return FALSE;
        ShowPopup();
        m_list.SendMessage(WM_KEYDOWN, msg->wParam, msg->lParam);
        return TRUE;
    default:
        return FALSE;
    }
}

bool CSuggestEdit::OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    // The parent hears of the change too.
    if (msg == WM_COMMAND && HIWORD(wParam) == EN_CHANGE)
        Refill();
    return CEdit::OnChildNotify(msg, wParam, lParam, result);
}

bool CSuggestEdit::OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    switch (msg) {
    case WM_KILLFOCUS: {
        // Clicking an offer moves the focus into the popup for a moment; anything else closes it.
        HWND to = reinterpret_cast<HWND>(wParam);
        if (!to || (to != m_popup.m_hWnd && !::IsChild(m_popup.m_hWnd, to)))
            HidePopup();
        break;
    }
    case WM_DESTROY:
        if (m_popup.m_hWnd)
            m_popup.DestroyWindow();
        break;
    default:
        break;
    }
    return CEdit::OnWndMsg(msg, wParam, lParam, result);
}
