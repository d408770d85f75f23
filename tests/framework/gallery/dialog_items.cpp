#include "dialog_items.h"

#include <windows.h>
#include <commctrl.h>

#include "window/Gallery.h"
#include "window/ModalDriver.h"
#include "framework/Brush.h"
#include "framework/DCGuards.h"
#include "framework/Dialog.h"
#include "framework/Font.h"
#include "framework/Icon.h"
#include "framework/ListCtrl.h"
#include "framework/Menu.h"
#include "framework/MessageCrackers.h"
#include "framework/WindowDCs.h"
#include "gallery_ids.h"
#include "test_art_ids.h"

using windowtest::CGallery;

namespace {

const int kIconColumn = 24; // the owner-drawn menu's left band

struct SMenuEntry {
    UINT id;
    const char* text;
    UINT flags;
};

const SMenuEntry kMenuEntries[] = {
    {ID_TEST_ART_OPEN, "Open the received file", 0},
    {ID_TEST_ART_CLOSE, "Show in its folder", MF_CHECKED},
    {0, nullptr, MF_SEPARATOR},
    {ID_TEST_ART_ABOUT, "Remove from the list", MF_GRAYED},
};

// A plain owner-drawn popup: an icon band on the left, the menu font, the highlight colours.
class COwnerDrawnMenu : public CMenu {
public:
    bool Build()
    {
        if (!CreatePopupMenu())
            return false;
        NONCLIENTMETRICSA metrics = {};
        metrics.cbSize = sizeof(metrics);
        SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
        if (!m_font.CreateFontIndirect(&metrics.lfMenuFont) ||
            !m_marlett.CreateFont(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, SYMBOL_CHARSET, 0, 0, 0, 0, "Marlett"))
            return false;
        m_icon.Load(IDI_TEST_ART, 16, 16);
        for (const SMenuEntry& entry : kMenuEntries) {
            const UINT flags = entry.flags & MF_SEPARATOR ? MF_SEPARATOR : MF_OWNERDRAW | entry.flags;
            if (!AppendMenu(flags, entry.id, reinterpret_cast<const char*>(&entry)))
                return false;
        }
        return true;
    }

    void MeasureItem(MEASUREITEMSTRUCT* measure) override
    {
        const auto* entry = reinterpret_cast<const SMenuEntry*>(measure->itemData);
        CClientDC dc(static_cast<HWND>(nullptr));
        CSelectGuard selected(dc, m_font);
        const CSize text = dc.GetTextExtent(entry->text, lstrlenA(entry->text));
        measure->itemWidth = kIconColumn + 8 + text.cx + 16;
        measure->itemHeight = text.cy + 8 > 22 ? text.cy + 8 : 22;
    }

    void DrawItem(DRAWITEMSTRUCT* draw) override
    {
        const auto* entry = reinterpret_cast<const SMenuEntry*>(draw->itemData);
        CDC dc;
        dc.Attach(draw->hDC);
        const CRect item(draw->rcItem);
        const bool selected = (draw->itemState & ODS_SELECTED) != 0;
        const bool grayed = (draw->itemState & (ODS_GRAYED | ODS_DISABLED)) != 0;
        dc.FillSolidRect(item, GetSysColor(COLOR_MENU));
        const CRect band(item.left, item.top, item.left + kIconColumn, item.bottom);
        dc.FillSolidRect(band, RGB(226, 232, 240));
        if (selected && !grayed) {
            CRect highlight(item);
            highlight.DeflateRect(1, 1);
            dc.FillSolidRect(highlight, RGB(200, 220, 250));
            CBrush frame(RGB(50, 100, 190));
            dc.FrameRect(highlight, frame);
        }
        CSaveDCGuard saved(dc);
        dc.SetBkMode(TRANSPARENT);
        const int middle = (item.top + item.bottom) / 2;
        if (draw->itemState & ODS_CHECKED) {
            CSelectGuard marlett(dc, m_marlett);
            CRect mark(band);
            dc.SetTextColor(RGB(0, 0, 0));
            dc.DrawText("a", 1, mark, DT_SINGLELINE | DT_VCENTER | DT_CENTER); // Marlett's check mark
        } else if (entry->id == ID_TEST_ART_OPEN) {
            dc.DrawIconEx(item.left + 4, middle - 8, m_icon, 16, 16);
        }
        CSelectGuard font(dc, m_font);
        dc.SetTextColor(GetSysColor(grayed ? COLOR_GRAYTEXT : COLOR_MENUTEXT));
        CRect text(item.left + kIconColumn + 8, item.top, item.right - 4, item.bottom);
        dc.DrawText(entry->text, -1, text, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
        dc.Detach();
    }

private:
    CFont m_font;
    CFont m_marlett;
    CIcon m_icon;
};

// The dialog from its template: a report list (and its header), buttons, a check box, and the
// owner of the owner-drawn menu.
class CSendDialog : public CDialog {
public:
    CSendDialog() : CDialog(IDD_GALLERY_SEND) {}

    CListCtrl m_list;
    COwnerDrawnMenu m_menu;

protected:
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        if (!m_list.SubclassDlgItem(IDC_GALLERY_LIST, m_hWnd) || !m_menu.Build())
            return TRUE;
        m_list.SetExtendedStyle(LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
        CRect client;
        m_list.GetClientRect(client);
        m_list.InsertColumn(0, "File", LVCFMT_LEFT, client.Width() - 150);
        m_list.InsertColumn(1, "Size", LVCFMT_RIGHT, 60);
        m_list.InsertColumn(2, "Status", LVCFMT_LEFT, 90);
        const char* rows[][3] = {
            {"holiday photos.zip", "48.2 MB", "Sending 37%"},
            {"report-2026.pdf", "1.4 MB", "Waiting"},
            {"notes.txt", "3 KB", "Done"},
            {"R\xE9sum\xE9 \xA9 2026.doc", "88 KB", "Refused"}, // ANSI (code page 1252)
        };
        for (int i = 0; i < 4; ++i) {
            m_list.InsertItem(i, rows[i][0]);
            m_list.SetItemText(i, 1, rows[i][1]);
            m_list.SetItemText(i, 2, rows[i][2]);
        }
        return TRUE;
    }

    bool OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override
    {
        // The owner hands its menu's drawing to the menu object itself.
        if (msg == WM_MEASUREITEM && MeasureItemFromLParam(lParam)->CtlType == ODT_MENU) {
            m_menu.MeasureItem(MeasureItemFromLParam(lParam));
            *result = TRUE;
            return true;
        }
        if (msg == WM_DRAWITEM && DrawItemFromLParam(lParam)->CtlType == ODT_MENU) {
            DRAWITEMSTRUCT* draw = DrawItemFromLParam(lParam);
            if (CMenu* menu = CMenu::FromHandlePermanent(reinterpret_cast<HMENU>(draw->hwndItem)))
                menu->DrawItem(draw);
            *result = TRUE;
            return true;
        }
        return CDialog::OnWndMsg(msg, wParam, lParam, result);
    }
};

CGallery* g_gallery = nullptr; // the one gallery, for the timer below
bool g_menuShot = false;

// Runs inside the menu's own loop once it has drawn its highlight: photographs, then closes it.
void CALLBACK PhotographMenu(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    g_menuShot = g_gallery->ShowItem("framework-menu", nullptr);
    EndMenu();
}

} // namespace

int ShowDialogItems(CGallery& gallery)
{
    INITCOMMONCONTROLSEX init = {sizeof(init), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&init);
    int failures = 0;
    CSendDialog dialog;
    if (!dialog.Create() || !dialog.m_list.GetSafeHwnd())
        return 3;
    dialog.SetWindowPos(nullptr, 80, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    if (!gallery.ShowItem("framework-dialog", dialog.GetSafeHwnd()))
        ++failures;

    // Rows selected and focused, the header's columns in another order with a sort mark.
    dialog.m_list.SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
    dialog.m_list.SetItemState(2, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    const int order[] = {0, 2, 1};
    dialog.m_list.SetColumnOrderArray(3, order);
    dialog.m_list.Invalidate(); // the list redraws only the rows it touched otherwise
    HDITEMA sorted = {};
    sorted.mask = HDI_FORMAT;
    sorted.fmt = HDF_STRING | HDF_LEFT | HDF_SORTUP;
    Header_SetItem(dialog.m_list.GetHeaderCtrl(), 0, &sorted);
    ::SetFocus(dialog.m_list.GetSafeHwnd());
    if (!gallery.ShowItem("framework-list", dialog.GetSafeHwnd()))
        ++failures;

    // The owner-drawn popup over the list, its second item highlighted by the keyboard.
    g_gallery = &gallery;
    windowtest::CModalDriver driver("#32768", [](HWND menuWindow) {
        PostMessageA(menuWindow, WM_KEYDOWN, VK_DOWN, 0);
        PostMessageA(menuWindow, WM_KEYDOWN, VK_DOWN, 0);
        SetTimer(nullptr, 0, 300, &PhotographMenu);
    });
    CRect list;
    dialog.m_list.GetWindowRect(list);
    dialog.m_menu.TrackPopupMenu(TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD, list.left + 60, list.top + 50,
                                 dialog.GetSafeHwnd());
    if (!driver.Done() || !g_menuShot)
        ++failures;
    dialog.DestroyWindow();
    return failures;
}
