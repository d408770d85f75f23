// The main window's cases that read the cursor, the screen or the clipboard, or show the window
// and take the foreground: its menus opened by right clicks, the tray's menu, "Get link", the
// balloon at the tray icon, coming back from the tray and the background start.

#include <string>

#include <gtest/gtest.h>

#include "app/FileLink.h"
#include "app/TransferingFile.h"
#include "framework/Rect.h"
#include "support/MainWindowTestSupport.h"
#include "ui/res/ui_ids.h"
#include "window/Input.h"
#include "window/MessagePumping.h"
#include "window/ModalDriver.h"

using namespace mainwintest;
using windowtest::PumpUntil;

namespace {

class MainWindowDesktopTest : public MainWindowTest {
protected:
    MainWindowDesktopTest()
    {
        dialog->SetWindowPos(HWND_TOPMOST, 100, 100, 760, 520, SWP_SHOWWINDOW);
        windowtest::PumpFor(100);
    }
};

} // namespace

TEST_F(MainWindowDesktopTest, RightClicksOpenTheTransferMenuOnARowAndTheTrayMenuWithItsDefault)
{
    Send({"up.txt"}, "bob@example.test", 2);
    const std::vector<std::uint32_t> down = Receive({"a.txt"}, 1);
    Drain();
    CRect row;
    dialog->GetList().GetItemRect(ListRow(down[0]), row, LVIR_LABEL);
    bool hasResend = true;
    windowtest::CModalDriver menu("#32768", [&](HWND popup) {
        HMENU shown = reinterpret_cast<HMENU>(::SendMessageA(popup, MN_GETHMENU, 0, 0));
        hasResend = ::GetMenuState(shown, ID_RESEND_LINK, MF_BYCOMMAND) != static_cast<UINT>(-1);
        ::PostMessageA(popup, WM_KEYDOWN, VK_ESCAPE, 0);
    });
    windowtest::PostClick(dialog->GetList(), row.CenterPoint());
    windowtest::PostClick(dialog->GetList(), row.CenterPoint(), true);
    ASSERT_TRUE(PumpUntil([&] { return menu.Done(); }));
    EXPECT_FALSE(hasResend) << "a download is not offered again";

    // The tray's menu: the bold "Open" survives the window's update pass, the level is checked.
    Settings().SetBandwidth(1);
    UINT defaultItem = 0;
    bool normalChecked = false;
    windowtest::CModalDriver trayMenu("#32768", [&](HWND popup) {
        HMENU shown = reinterpret_cast<HMENU>(::SendMessageA(popup, MN_GETHMENU, 0, 0));
        defaultItem = ::GetMenuDefaultItem(shown, FALSE, GMDI_USEDISABLED);
        normalChecked = (::GetMenuState(shown, ID_BANDWIDTH_NORMAL, MF_BYCOMMAND) & MF_CHECKED) != 0;
        ::PostMessageA(popup, WM_KEYDOWN, VK_ESCAPE, 0);
    });
    dialog->GetTray().OnTrayNotification(CTarnixDlg::kTrayIconId, WM_RBUTTONUP);
    ASSERT_TRUE(PumpUntil([&] { return trayMenu.Done(); }));
    EXPECT_EQ(static_cast<UINT>(ID_TRAY_OPEN), defaultItem);
    EXPECT_TRUE(normalChecked);
}

TEST_F(MainWindowDesktopTest, GetLinkPutsALinkToTheRowsFileOnTheClipboard)
{
    const std::vector<std::uint32_t> up = Send({"up.txt"}, "bob@example.test", 2);
    Drain();
    SelectRows({ListRow(up[0])});
    dialog->SendMessage(WM_COMMAND, ID_GET_LINK);
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("File link has been copyed to Clipboard.", boxes[0]);
    CFileLink link;
    ASSERT_TRUE(link.ParseLinkURL(CString(windowtest::ClipboardText(*dialog).c_str())));
    ASSERT_FALSE(link.m_entries.empty());
    EXPECT_EQ(0, std::memcmp(link.m_entries[0].m_fileId, Row(up[0]).m_fileId, CTransferingFile::ID_SIZE));
    EXPECT_EQ(10, link.m_totalSize);
    EXPECT_EQ("bob@example.test", link.m_recipientEmail.str());
}

TEST_F(MainWindowDesktopTest, AFinishedDownloadShowsItsBalloonAtTheTrayWhenTheUserWantsIt)
{
    // The tell-a-friend prompt was answered long ago: a finished download brings only its balloon.
    Settings().SetTAFSate(2);
    const std::vector<std::uint32_t> ids = Receive({"<b>done</b>.txt"}, 1);
    Drain();
    CMainManager::PushUIEvent(SUIEvent::Progress(ids[0], FS_COMPLETED, 10, 10, 0));
    Settings().SetShowToolTipDownloadComplete(0);
    CMainManager::PushUIEvent(SUIEvent::Notification(ids[0], true, 0));
    Drain();
    EXPECT_TRUE(dialog->GetList().IsStatusLineShown());
    EXPECT_EQ(PPTOOLTIP_STATE_HIDDEN, dialog->GetBalloon().GetState());

    Settings().SetShowToolTipDownloadComplete(1);
    CMainManager::PushUIEvent(SUIEvent::Notification(ids[0], true, 0));
    Drain();
    EXPECT_NE(PPTOOLTIP_STATE_HIDDEN, dialog->GetBalloon().GetState());
    windowtest::PumpFor(300);

    // "Show it" in the balloon brings the row up selected.
    dialog->ShowWindow(SW_HIDE);
    dialog->SendMessage(CTarnixDlg::kBalloonLinkMessage, reinterpret_cast<WPARAM>("1"), ids[0]);
    EXPECT_TRUE(dialog->IsWindowVisible());
    EXPECT_EQ(ListRow(ids[0]), dialog->GetList().GetSelectionMark());
    EXPECT_EQ(1u, dialog->GetList().GetSelectedCount());
    EXPECT_TRUE(dialog->GetList().GetItemState(ListRow(ids[0]), LVIS_FOCUSED));
    dialog->SendMessage(WM_COMMAND, ID_BALLOON_CLICK);
    EXPECT_TRUE(PumpUntil([&] { return dialog->GetBalloon().GetState() == PPTOOLTIP_STATE_HIDDEN; }));
}

TEST_F(MainWindowTest, BackgroundStartStaysHiddenUntilOpenedFromTheTray)
{
    CloseWindow();
    OpenWindow("\"C:\\Program Files\\Tarnix\\Tarnix.exe\" /background");
    dialog->ShowWindow(SW_SHOWNORMAL);
    EXPECT_FALSE(dialog->IsWindowVisible());
    dialog->SendMessage(WM_COMMAND, ID_TRAY_OPEN);
    EXPECT_TRUE(dialog->IsWindowVisible());
    // Closing hides; showing works as usual from then on.
    dialog->SendMessage(WM_SYSCOMMAND, SC_CLOSE);
    EXPECT_FALSE(dialog->IsWindowVisible());
    dialog->ShowWindow(SW_SHOW);
    EXPECT_TRUE(dialog->IsWindowVisible());
}
