// Shows the program's own controls on their test host, a wizard page on its background and the
// transfer list's column menu, one item at a time, for the screenshot step
// (tests/support/window/screenshots.sh). Run by hand, it shows each item for a moment.

#include <windows.h>
#include <commctrl.h>

#include "controls_host_ids.h"
#include "framework/DataExchange.h"
#include "framework/Icon.h"
#include "framework/ImageList.h"
#include "framework/Rect.h"
#include "support/ControlsHost.h"
#include "test_art_ids.h"
#include "ui/InPlaceEdit.h"
#include "ui/TNWizardPage.h"
#include "window/Gallery.h"
#include "window/ModalDriver.h"

using windowtest::CGallery;

namespace {

class CGalleryPage : public CTNWizardPage {
public:
    CGalleryPage() : CTNWizardPage(IDD_WIZARD_PAGE1)
    {
        m_backgroundBitmapId = IDB_HOST_BACKGROUND;
        m_iconId = IDI_TEST_ART;
    }
    bool Validate() override { return true; }

protected:
    void DoDataExchange(CDataExchange* dx) override
    {
        CString name = "Ann";
        bool remember = true;
        DDX_Text(dx, IDC_PAGE_NAME, name);
        DDX_Check(dx, IDC_PAGE_CHECK, remember);
    }
};

// The host with every control: the list with its groups, status line and a hot status cell, the
// buttons, the slider and a second list.
bool ShowHost(CGallery& gallery, CControlsHost& host)
{
    host.button.SetBitmaps(IDB_HOST_BUTTON, IDB_HOST_BUTTON_HOVER, IDB_HOST_BUTTON_PRESSED, IDB_HOST_BUTTON_DISABLED);
    host.shapedButton.SetBitmaps(IDB_HOST_BUTTON, IDB_HOST_BUTTON_HOVER, IDB_HOST_BUTTON_PRESSED,
                                 IDB_HOST_BUTTON_DISABLED);
    host.slider.SetPos(1);
    FillTransfers(host);
    host.list.SetStatusLineText("Clean Completed Transfers");
    host.list.ShowStatusLine(true);
    host.list.SetItemState(host.list.PositionToRow(2, 1), LVIS_SELECTED, LVIS_SELECTED);
    // A click on a status cell makes it hot (the host answers no menu).
    CRect bounds;
    const int row = host.list.PositionToRow(1, 1);
    host.list.GetItemRect(row, bounds, LVIR_BOUNDS);
    CRect status;
    host.list.GetHeader().GetItemRect(kColumnState, status);
    NMITEMACTIVATE click = {};
    click.hdr = {host.list.m_hWnd, static_cast<UINT_PTR>(host.list.GetDlgCtrlID()), static_cast<UINT>(NM_CLICK)};
    click.iItem = row;
    click.ptAction = {status.left + 10, bounds.top + 5};
    host.SendMessage(WM_NOTIFY, click.hdr.idFrom, reinterpret_cast<LPARAM>(&click));
    return gallery.ShowItem("controls-host", host.m_hWnd);
}

// The list with a hidden column, the sort mark, a collapsed group and an editor open in the
// second list.
bool ShowListStates(CGallery& gallery, CControlsHost& host, CImageList& sortMarks)
{
    // The header's images as the main window gives them: none, ascending, descending.
    CIcon mark;
    if (sortMarks.Create(16, 16, ILC_COLOR24 | ILC_MASK, 3, 1) && mark.Load(IDI_TEST_ART, 16, 16)) {
        for (int i = 0; i < 3; ++i)
            sortMarks.Add(mark);
        host.list.GetHeader().SetImageList(sortMarks);
    }
    host.list.ToggleColumn(kColumnSize);
    NMHEADERA sort = {};
    HWND header = host.list.GetHeaderCtrl();
    sort.hdr = {header, static_cast<UINT_PTR>(::GetDlgCtrlID(header)), static_cast<UINT>(HDN_ITEMCLICKA)};
    sort.iItem = kColumnName;
    host.list.SendMessage(WM_NOTIFY, sort.hdr.idFrom, reinterpret_cast<LPARAM>(&sort));
    host.list.ShowStatusLine(false);
    NMITEMACTIVATE click = {};
    click.hdr = {host.list.m_hWnd, static_cast<UINT_PTR>(host.list.GetDlgCtrlID()), static_cast<UINT>(NM_CLICK)};
    click.iItem = host.list.PositionToRow(0, 0);
    host.SendMessage(WM_NOTIFY, click.hdr.idFrom, reinterpret_cast<LPARAM>(&click));
    host.button.EnableWindow(FALSE);
    host.shapedButton.EnableWindow(FALSE);

    CRect cell;
    host.editList.GetSubItemRect(0, 1, LVIR_BOUNDS, cell);
    auto* editor = new CInPlaceEdit(0, 1, "ann@tarnix.test");
    editor->Create(WS_BORDER | WS_VISIBLE | ES_AUTOHSCROLL, cell, host.editList, 77);
    return gallery.ShowItem("controls-list-states", host.m_hWnd);
}

bool g_menuShot = false;

// The header's column menu, taken while its loop runs.
bool ShowColumnMenu(CGallery& gallery, CControlsHost& host)
{
    static CGallery* s_gallery;
    s_gallery = &gallery;
    windowtest::CModalDriver driver("#32768", [](HWND menu) {
        g_menuShot = s_gallery->ShowItem("controls-column-menu", nullptr);
        ::PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    });
    HWND header = host.list.GetHeaderCtrl();
    CRect first;
    ::SendMessageA(header, HDM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(static_cast<RECT*>(first)));
    POINT at = first.CenterPoint();
    ::ClientToScreen(header, &at);
    ::SetCursorPos(at.x, at.y);
    NMHDR rightClick = {header, static_cast<UINT_PTR>(::GetDlgCtrlID(header)), static_cast<UINT>(NM_RCLICK)};
    host.list.SendMessage(WM_NOTIFY, rightClick.idFrom, reinterpret_cast<LPARAM>(&rightClick));
    return driver.Done() && g_menuShot;
}

} // namespace

int main(int argc, char** argv)
{
    CGallery gallery(argc, argv);
    int failures = 0;
    {
        CImageList sortMarks;
        CControlsHost host;
        if (!host.Create() || !ShowHost(gallery, host) || !ShowListStates(gallery, host, sortMarks) ||
            !ShowColumnMenu(gallery, host))
            ++failures;
    }
    CGalleryPage page;
    if (!page.Create() || !gallery.ShowItem("controls-wizard-page", page.m_hWnd))
        ++failures;
    return failures ? 1 : 0;
}
