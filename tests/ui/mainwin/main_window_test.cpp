// The main window over the real core: its cells, groups, status line, pause button, selection,
// saved layout, menus and keys. The window stays hidden: the cases that show it are the desktop
// program's.

#include <map>
#include <string>

#include <gtest/gtest.h>

#include "app/TransferingFile.h"
#include "framework/AppState.h"
#include "framework/CmdUI.h"
#include "support/MainWindowTestSupport.h"
#include "ui/ShellOpen.h"
#include "ui/res/ui_ids.h"
#include "window/Input.h"
#include "window/MessagePumping.h"

using namespace mainwintest;

namespace {

int ImageCount(CTNListCtrlEx& list)
{
    return ImageList_GetImageCount(list.GetImageList(LVSIL_SMALL));
}

// An item after the command-update pass: enabled, checked, and its text.
struct SItem {
    bool enabled;
    bool checked;
    std::string text;
};

std::map<UINT, SItem> UpdatedItems(CTarnixDlg& dialog, HMENU popup)
{
    dialog.SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), 1);
    std::map<UINT, SItem> items;
    for (int i = 0; i < ::GetMenuItemCount(popup); ++i) {
        const UINT id = ::GetMenuItemID(popup, i);
        const UINT state = ::GetMenuState(popup, static_cast<UINT>(i), MF_BYPOSITION);
        char text[64] = {};
        ::GetMenuStringA(popup, static_cast<UINT>(i), text, sizeof(text), MF_BYPOSITION);
        items[id] = SItem{(state & MF_GRAYED) == 0, (state & MF_CHECKED) != 0, text};
    }
    return items;
}

} // namespace

TEST_F(MainWindowTest, CellsAnswerTheListWithTextsSizesProgressAndOneIconPerType)
{
    const std::vector<std::uint32_t> ids = Receive({"a.txt", "B.TXT", "archive", "big.iso"}, 1);
    Drain();
    // Downloads alone: their group is the list's group 0.
    EXPECT_EQ("Receiving", Cell(0, 0, 0).text);
    EXPECT_EQ(1, Cell(0, 0, 0).image);
    EXPECT_EQ("a.txt", Cell(0, 1, 0).text);
    EXPECT_FALSE(Cell(0, 5, 0).answered) << "no such row";

    CMainManager::PushUIEvent(SUIEvent::Progress(ids[1], FS_RECEIVING, 512, 1536, 3725));
    CMainManager::PushUIEvent(SUIEvent::Progress(ids[2], FS_RECEIVING, 0, 0, 0));
    CMainManager::PushUIEvent(SUIEvent::Progress(ids[3], FS_RECEIVING, 1LL << 40, 1LL << 40, 0));
    Drain();
    EXPECT_EQ("1.50KB", Cell(0, 2, 1).text);
    EXPECT_EQ("512.00bytes", Cell(0, 2, 2).text);
    EXPECT_EQ("01:02:05", Cell(0, 2, 3).text);
    EXPECT_EQ(33, Cell(0, 2, CTarnixDlg::kProgressColumn, kCellValue | kCellProgress).value);
    EXPECT_EQ("Receiving", Cell(0, 2, CTarnixDlg::kStatusColumn).text);
    EXPECT_EQ("0.00bytes", Cell(0, 3, 1).text);
    EXPECT_EQ(0, Cell(0, 3, CTarnixDlg::kProgressColumn, kCellValue | kCellProgress).value);
    // Every byte there: 100 % and "Completed" on screen, while the row keeps what the core said.
    EXPECT_EQ("1024.00GB", Cell(0, 4, 1).text);
    EXPECT_EQ(100, Cell(0, 4, CTarnixDlg::kProgressColumn, kCellValue | kCellProgress).value);
    EXPECT_EQ("Completed", Cell(0, 4, CTarnixDlg::kStatusColumn).text);
    EXPECT_EQ(FS_RECEIVING, Row(ids[3]).m_fileStatus);

    // One image per type, whatever its case; a name without '.' has the bare dot's.
    const int txt = Cell(0, 1, 0, kCellImage).image;
    EXPECT_EQ(txt, Cell(0, 2, 0, kCellImage).image);
    const int none = Cell(0, 3, 0, kCellImage).image;
    const int iso = Cell(0, 4, 0, kCellImage).image;
    EXPECT_EQ(none, Cell(0, 3, 0, kCellImage).image);
    EXPECT_GE(txt, 2);
    EXPECT_NE(txt, none);
    EXPECT_NE(none, iso);
    EXPECT_EQ(2 + 3, ImageCount(dialog->GetList())) << "the drop-down mark, the group, then the types";
    EXPECT_EQ(0, Cell(0, 1, 6, kCellImage).image);

    // Uploads come first once there are some.
    Send({"up.txt"}, "bob@example.test", 2);
    Drain();
    EXPECT_EQ("Sending", Cell(0, 0, 0).text);
    EXPECT_EQ("up.txt", Cell(0, 1, 0).text);
    EXPECT_EQ("bob@example.test", Cell(0, 1, 6).text);
    EXPECT_EQ("Receiving", Cell(1, 0, 0).text);
    EXPECT_EQ("a.txt", Cell(1, 1, 0).text);
}

TEST_F(MainWindowTest, GroupRowsFollowTheKindsThatHaveRows)
{
    CTNListCtrlEx& list = dialog->GetList();
    Drain();
    EXPECT_EQ(0, list.GetItemCount());
    const std::vector<std::uint32_t> downloads = Receive({"a.txt", "b.txt"}, 1);
    Drain();
    EXPECT_EQ(3, list.GetItemCount());
    const std::vector<std::uint32_t> uploads = Send({"up.txt"}, "bob@example.test", 2);
    Drain();
    EXPECT_EQ(5, list.GetItemCount());
    EXPECT_EQ(2, ListRow(downloads[0]) - ListRow(uploads[0]));
    for (std::uint32_t id : downloads)
        transfers->CancelDownload(id);
    Drain();
    EXPECT_EQ(2, list.GetItemCount());
    EXPECT_EQ("Sending", Cell(0, 0, 0).text);
    transfers->RemoveUpload(uploads[0]);
    Drain();
    EXPECT_EQ(0, list.GetItemCount());
}

TEST_F(MainWindowTest, StatusLineTellsCountsRatesAndServiceStateAndSetsTheTrayPicture)
{
    dialog->UpdateStatusText(0, 0, 0, 0.0, 0.0);
    EXPECT_EQ("Sending 0 files at 0.00 kBps | Receiving 0 files at 0.00 kBps | DISCONNECTED",
              dialog->GetStatusText().str());
    EXPECT_EQ(static_cast<UINT>(IDI_TRAY_OFFLINE), dialog->GetTrayIconId());
    dialog->UpdateStatusText(1, 1, 1, 1024.0, 2048.0);
    EXPECT_EQ("Sending 1 file at 1.00 kBps | Receiving 1 file at 2.00 kBps | CONNECTING",
              dialog->GetStatusText().str());
    EXPECT_EQ(static_cast<UINT>(IDI_TRAY_OFFLINE), dialog->GetTrayIconId());
    dialog->UpdateStatusText(2, 0, 2, 0.0, 512.0);
    EXPECT_EQ("Sending 0 files at 0.00 kBps | Receiving 2 files at 0.50 kBps | CONNECTING",
              dialog->GetStatusText().str());
    EXPECT_EQ(static_cast<UINT>(IDI_TRAY_ONLINE), dialog->GetTrayIconId());
    dialog->UpdateStatusText(0, 2, 3, 3072.0, 0.0);
    EXPECT_EQ("Sending 2 files at 3.00 kBps | Receiving 0 files at 0.00 kBps | CONNECTED",
              dialog->GetStatusText().str());
    // Automation reads the line from the hidden static.
    char text[128] = {};
    ::GetDlgItemTextA(*dialog, IDC_STATUS_TEXT, text, sizeof(text));
    EXPECT_EQ(dialog->GetStatusText().str(), text);
}

TEST_F(MainWindowTest, PauseButtonOffersResumeWhenEverySelectedRowIsHeldAndSelectionSkipsGroups)
{
    const std::vector<std::uint32_t> ids = Receive({"a.txt", "b.txt"}, 1);
    Drain();
    SelectRows({0, 1, 2});
    std::vector<STransferRef> selection;
    dialog->CollectSelection(selection);
    ASSERT_EQ(2u, selection.size());
    EXPECT_EQ(kDownloadRows, selection[0].kind);
    EXPECT_EQ(0, selection[0].index);
    EXPECT_EQ(1, selection[1].index);

    transfers->PauseDownload(ids[0]);
    Drain();
    EXPECT_FALSE(dialog->IsShowingResume()) << "one row still runs";
    transfers->PauseDownload(ids[1]);
    Drain();
    EXPECT_TRUE(dialog->IsShowingResume());
    dialog->SendMessage(WM_COMMAND, MAKEWPARAM(IDC_PAUSE, BN_CLICKED));
    EXPECT_NE(FS_PAUSED, CoreStatus(ids[0]));
    EXPECT_NE(FS_PAUSED, CoreStatus(ids[1]));
    Drain();
    EXPECT_FALSE(dialog->IsShowingResume());

    transfers->PauseDownload(ids[0]);
    Drain();
    SelectRows({1});
    EXPECT_TRUE(dialog->IsShowingResume());
    // Nothing selected: Pause, and a click there pauses what gets selected next.
    SelectRows({});
    EXPECT_FALSE(dialog->IsShowingResume());
}

TEST_F(MainWindowTest, WidthsAndPlacementAreSavedAndAHiddenColumnComesBackHidden)
{
    EXPECT_EQ(dialog->m_hWnd, main.GetMainWindow());
    CTNListCtrlEx& list = dialog->GetList();
    list.SetColumnWidth(0, 123);
    list.ToggleColumn(3);
    dialog->MoveWindow(40, 50, 760, 520);
    CloseWindow();
    EXPECT_EQ(nullptr, main.GetMainWindow()) << "no drain request reaches a window that has gone";
    EXPECT_EQ(123, Settings().GetColumnWidth(0));
    EXPECT_EQ(0, Settings().GetColumnWidth(3));
    EXPECT_EQ(90, Settings().GetColumnWidth(4));
    const WINDOWPLACEMENT saved = Settings().GetWindowPlacement();
    EXPECT_EQ(40, saved.rcNormalPosition.left);
    EXPECT_EQ(570, saved.rcNormalPosition.bottom);

    OpenWindow();
    CTNListCtrlEx& again = dialog->GetList();
    EXPECT_EQ(123, again.GetColumnWidth(0));
    EXPECT_EQ(0, again.GetColumnWidth(3));
    ASSERT_NE(nullptr, again.GetHeader().Column(3));
    EXPECT_FALSE(again.GetHeader().Column(3)->visible);
    again.ToggleColumn(3);
    EXPECT_EQ(90, again.GetColumnWidth(3)) << "the default width comes back with the column";
    CRect frame;
    dialog->GetWindowRect(frame);
    EXPECT_EQ(CRect(40, 50, 800, 570), frame);
}

TEST_F(MainWindowTest, MenuItemsFollowTheSelectionAndTheReportedStatus)
{
    const std::vector<std::uint32_t> up = Send({"up.txt"}, "bob@example.test", 2);
    const std::vector<std::uint32_t> down = Receive({"done.txt", "setup.exe", "run.txt"}, 1);
    Drain();
    CMainManager::PushUIEvent(SUIEvent::Progress(down[0], FS_COMPLETED, 10, 10, 0));
    CMainManager::PushUIEvent(SUIEvent::Progress(down[1], FS_COMPLETED, 10, 10, 0));
    // All bytes there, not yet finished by the core.
    CMainManager::PushUIEvent(SUIEvent::Progress(down[2], FS_RECEIVING, 10, 10, 0));
    Drain();
    HMENU actions = dialog->GetMainMenu().GetSubMenu(1)->m_hMenu;

    SelectRows({});
    auto items = UpdatedItems(*dialog, actions);
    EXPECT_FALSE(items[IDC_PAUSE].enabled);
    EXPECT_FALSE(items[ID_CANCEL_TRANSFER].enabled);
    EXPECT_FALSE(items[ID_OPEN_FILE].enabled);
    EXPECT_EQ("Open file", items[ID_OPEN_FILE].text);
    EXPECT_FALSE(items[ID_GET_LINK].enabled);
    EXPECT_FALSE(items[ID_RESEND_LINK].enabled);
    EXPECT_TRUE(items[ID_FORWARD_FILE].enabled) << "nothing selected that is not a finished download";

    SelectRows({ListRow(up[0])});
    items = UpdatedItems(*dialog, actions);
    EXPECT_TRUE(items[IDC_PAUSE].enabled);
    EXPECT_EQ("Pause", items[IDC_PAUSE].text);
    EXPECT_TRUE(items[ID_OPEN_FILE].enabled);
    EXPECT_TRUE(items[ID_OPEN_FOLDER].enabled);
    EXPECT_TRUE(items[ID_GET_LINK].enabled);
    EXPECT_TRUE(items[ID_RESEND_LINK].enabled);
    EXPECT_FALSE(items[ID_FORWARD_FILE].enabled);
    EXPECT_FALSE(items[ID_CLEAN_COMPLETED].enabled);

    SelectRows({ListRow(down[0])});
    items = UpdatedItems(*dialog, actions);
    EXPECT_TRUE(items[ID_OPEN_FILE].enabled);
    EXPECT_TRUE(items[ID_FORWARD_FILE].enabled);
    EXPECT_TRUE(items[ID_CLEAN_COMPLETED].enabled);

    SelectRows({ListRow(down[1])});
    items = UpdatedItems(*dialog, actions);
    EXPECT_EQ("Run file", items[ID_OPEN_FILE].text);
    EXPECT_TRUE(items[ID_OPEN_FILE].enabled);

    SelectRows({ListRow(down[2])});
    items = UpdatedItems(*dialog, actions);
    EXPECT_FALSE(items[ID_OPEN_FILE].enabled);
    EXPECT_FALSE(items[ID_FORWARD_FILE].enabled);
    EXPECT_FALSE(items[ID_CLEAN_COMPLETED].enabled) << "cleaning goes by the status the core reported";

    SelectRows({ListRow(down[0]), ListRow(down[1])});
    items = UpdatedItems(*dialog, actions);
    EXPECT_FALSE(items[ID_OPEN_FILE].enabled);
    EXPECT_EQ("Open file", items[ID_OPEN_FILE].text);
    EXPECT_FALSE(items[ID_OPEN_FOLDER].enabled);
    EXPECT_FALSE(items[ID_GET_LINK].enabled);
    EXPECT_TRUE(items[ID_RESEND_LINK].enabled);
    EXPECT_TRUE(items[ID_FORWARD_FILE].enabled);

    transfers->PauseDownload(down[2]);
    Drain();
    SelectRows({ListRow(down[2])});
    EXPECT_EQ("Resume", UpdatedItems(*dialog, actions)[IDC_PAUSE].text);

    // The context menu of a download offers no resend; an upload's does.
    CMenu* context = dialog->PrepareContextMenu();
    ASSERT_NE(nullptr, context);
    EXPECT_EQ(static_cast<UINT>(-1), ::GetMenuState(*context, ID_RESEND_LINK, MF_BYCOMMAND));
    SelectRows({ListRow(up[0])});
    context = dialog->PrepareContextMenu();
    ASSERT_NE(nullptr, context);
    EXPECT_NE(static_cast<UINT>(-1), ::GetMenuState(*context, ID_RESEND_LINK, MF_BYCOMMAND));

    // The tray menu checks the bandwidth level and keeps its bold default item.
    BCMenu tray;
    ASSERT_TRUE(tray.LoadMenu(IDM_TRAY));
    HMENU popup = tray.GetSubMenu(0)->m_hMenu;
    ::SetMenuDefaultItem(popup, 0, TRUE);
    Settings().SetBandwidth(2);
    items = UpdatedItems(*dialog, popup);
    EXPECT_TRUE(items[ID_BANDWIDTH_POLITE].checked);
    EXPECT_FALSE(items[ID_BANDWIDTH_MAXIMAL].checked);
    EXPECT_EQ(0u, ::GetMenuDefaultItem(popup, TRUE, GMDI_USEDISABLED));
    dialog->SendMessage(WM_COMMAND, ID_BANDWIDTH_MAXIMAL);
    EXPECT_EQ(0, Settings().GetBandwidth());
}

TEST_F(MainWindowTest, DeleteAsksToCancelTheSelectedTransfersAndAColumnClickSorts)
{
    const std::vector<std::uint32_t> ids = Receive({"b.txt", "a.txt", "c.txt"}, 1);
    Drain();
    SelectRows({ListRow(ids[0])});
    answers = {IDNO};
    windowtest::PostKey(dialog->GetList(), VK_DELETE);
    windowtest::PumpPending();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("Are you sure you want to cancel recieving of this file?", boxes[0]);
    EXPECT_NE(-1, CoreStatus(ids[0]));
    answers = {IDYES};
    windowtest::PostKey(dialog->GetList(), VK_DELETE);
    windowtest::PumpPending();
    Drain();
    EXPECT_EQ(-1, CoreStatus(ids[0])) << "cancelled";
    EXPECT_EQ(3, dialog->GetList().GetItemCount());

    // A header click, as the header sends it to the list: by name, then the other way round.
    NMHEADERA click = {};
    click.hdr.hwndFrom = dialog->GetList().GetHeader();
    click.hdr.code = HDN_ITEMCLICKA;
    click.iItem = 0;
    dialog->GetList().SendMessage(WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&click));
    EXPECT_EQ("a.txt", Cell(0, 1, 0).text);
    dialog->GetList().SendMessage(WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&click));
    EXPECT_EQ("c.txt", Cell(0, 1, 0).text);

    // By the time left, as the progress events told it, whatever the names say.
    CMainManager::PushUIEvent(SUIEvent::Progress(ids[1], FS_RECEIVING, 1, 10, 30));
    CMainManager::PushUIEvent(SUIEvent::Progress(ids[2], FS_RECEIVING, 1, 10, 20));
    Drain();
    click.iItem = 3;
    dialog->GetList().SendMessage(WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&click));
    EXPECT_EQ("c.txt", Cell(0, 1, 0).text);
    EXPECT_EQ("a.txt", Cell(0, 2, 0).text);
}

TEST_F(MainWindowTest, BalloonLinksOpenAProgramOnlyAfterAskingAndCanSilenceTheBalloons)
{
    const std::vector<std::uint32_t> ids = Receive({"setup.exe"}, 1);
    Drain();
    CMainManager::PushUIEvent(SUIEvent::Progress(ids[0], FS_COMPLETED, 10, 10, 0));
    Drain();
    answers = {IDNO};
    dialog->SendMessage(CTarnixDlg::kBalloonLinkMessage, reinterpret_cast<WPARAM>("3"), ids[0]);
    ASSERT_EQ(1u, boxes.size()) << "\"Open it\" asks as a double click does";
    EXPECT_EQ(kRunProgramQuestion, boxes[0]);

    Settings().SetShowToolTipDownloadComplete(1);
    dialog->SendMessage(CTarnixDlg::kBalloonLinkMessage, reinterpret_cast<WPARAM>("0"), ids[0]);
    EXPECT_EQ(0, Settings().GetShowToolTipDownloadComplete());
    // A link of a row that has gone does nothing.
    dialog->SendMessage(CTarnixDlg::kBalloonLinkMessage, reinterpret_cast<WPARAM>("3"), ids[0] + 100);
    EXPECT_EQ(1u, boxes.size());
}
