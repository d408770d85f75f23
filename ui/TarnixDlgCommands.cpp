// The main window's commands: its buttons, menu bar, context and tray menus, with the rules that
// enable, check and name their items, and the keys it handles before the dialog does.

#include "ui/TarnixDlg.h"

#include <cstring>

#include <windows.h>
#include <commctrl.h>

#include "app/FileLink.h"
#include "app/SettingsManager.h"
#include "app/TransferingFile.h"
#include "framework/Clipboard.h"
#include "framework/CmdUI.h"
#include "framework/MessageBox.h"
#include "infra/TextUtilities.h"
#include "ui/UIManager.h"
#include "ui/res/ui_ids.h"

namespace {

bool IsCompletedDownload(const CTransferingFile& row)
{
    return row.m_isDownload && row.m_fileStatus == FS_COMPLETED;
}

bool IsExe(const CString& fileName)
{
    CString extension = GetPathExtension(fileName.str()).c_str();
    return extension.MakeLower() == "exe";
}

CString LoadText(UINT id)
{
    CString text;
    text.LoadString(id);
    return text;
}

const int kResumeImage = 10;
const int kPauseImage = 8;

} // namespace

bool CTarnixDlg::OnCommand(UINT id)
{
    const bool marked = m_list.m_hWnd && m_list.GetSelectionMark() >= 0;
    switch (id) {
    case IDC_SEND:
    case ID_SEND_FILE:
        m_ui.OnSendFile();
        return true;
    case IDC_PAUSE:
        if (marked) {
            if (m_showingResume)
                m_ui.OnResume();
            else
                m_ui.OnPause();
        }
        return true;
    case IDC_SPEED:
        m_ui.OnSpeed();
        return true;
    case ID_OPTIONS:
        m_ui.OnOptions();
        return true;
    case ID_ABOUT:
        ShowAbout();
        return true;
    case ID_ONLINE_HELP:
        m_ui.OnOnlineHelp();
        return true;
    case ID_ADDRESS_BOOK:
        m_ui.OnAddressBook();
        return true;
    case ID_HIDE_WINDOW:
        HideApplication();
        return true;
    case ID_EXIT:
        EndDialog(IDOK);
        m_ui.OnExit();
        return true;
    case ID_TRAY_OPEN:
        ShowFromTray();
        return true;
    case ID_BALLOON_CLICK:
        HideBalloon();
        return true;
    case ID_CLEAN_COMPLETED:
        m_ui.OnCleanCompleted();
        return true;
    case ID_BANDWIDTH_POLITE:
    case ID_BANDWIDTH_NORMAL:
    case ID_BANDWIDTH_MAXIMAL:
        m_ui.SetBandwidth(static_cast<int>(ID_BANDWIDTH_MAXIMAL - id));
        return true;
    case ID_OPEN_FILE:
        if (marked)
            m_ui.OnOpenFile();
        return true;
    case ID_OPEN_FOLDER:
        if (marked)
            m_ui.OnOpenFolder();
        return true;
    case ID_CANCEL_TRANSFER:
        m_ui.OnCancel();
        return true;
    case ID_RESEND_LINK:
        m_ui.OnResendLink();
        return true;
    case ID_TELL_A_FRIEND:
        m_ui.OnTellAFriend();
        return true;
    case ID_CHECK_UPDATES:
        m_ui.OnCheckUpdate();
        return true;
    case ID_FORWARD_FILE:
        m_ui.OnForwardFiles();
        return true;
    case ID_GET_LINK:
        CopyLinkOfSelection();
        return true;
    default:
        return false;
    }
}

bool CTarnixDlg::OnUpdateCommand(CCmdUI* item)
{
    const bool marked = m_list.m_hWnd && m_list.GetSelectionMark() >= 0;
    switch (item->m_nID) {
    case IDC_PAUSE:
        item->Enable(marked);
        m_menu.ModifyOwnerDrawItem(static_cast<const char*>(nullptr), IDC_PAUSE, &m_menuImages,
                                   m_showingResume ? kResumeImage : kPauseImage);
        item->SetText(LoadText(m_showingResume ? IDS_RESUME : IDS_PAUSE));
        return true;
    case ID_CANCEL_TRANSFER:
        item->Enable(marked);
        return true;
    case ID_BANDWIDTH_POLITE:
    case ID_BANDWIDTH_NORMAL:
    case ID_BANDWIDTH_MAXIMAL:
        item->SetCheck(m_settings.GetBandwidth() == static_cast<int>(ID_BANDWIDTH_MAXIMAL - item->m_nID));
        return true;
    default:
        break;
    }

    const std::vector<CTransferingFile*> selected = SelectedTransfers();
    const bool one = selected.size() == 1;
    switch (item->m_nID) {
    case ID_CLEAN_COMPLETED: {
        bool any = false;
        for (const CTransferingFile* row : selected)
            any = any || row->m_fileStatus == FS_COMPLETED;
        item->Enable(any);
        return true;
    }
    case ID_OPEN_FILE:
        item->Enable(one && (!selected[0]->m_isDownload || IsCompletedDownload(*selected[0])));
        item->SetText(LoadText(one && IsExe(selected[0]->m_shortName) ? IDS_RUN_FILE : IDS_OPEN_FILE));
        return true;
    case ID_OPEN_FOLDER:
    case ID_GET_LINK:
        item->Enable(one);
        return true;
    case ID_RESEND_LINK:
        item->Enable(!selected.empty());
        return true;
    case ID_FORWARD_FILE: {
        bool all = true;
        for (const CTransferingFile* row : selected)
            all = all && IsCompletedDownload(*row);
        item->Enable(all);
        return true;
    }
    default:
        return false;
    }
}

BOOL CTarnixDlg::PreTranslateMessage(MSG* msg)
{
    RelayToBalloon(msg);
    // Delete in this window or its list; another window of the thread keeps its own keys.
    const bool ours = msg->hwnd == m_hWnd || ::IsChild(m_hWnd, msg->hwnd);
    if (ours && msg->message == WM_KEYDOWN && msg->wParam == VK_DELETE) {
        m_ui.OnCancel();
        return TRUE;
    }
    return CDialogResize::PreTranslateMessage(msg);
}

// --- The transfer context menu ------------------------------------------------------------------

CMenu* CTarnixDlg::PrepareContextMenu()
{
    const std::vector<CTransferingFile*> selected = SelectedTransfers();
    if (selected.empty() || !m_contextMenu.LoadMenu(IDM_TRANSFER))
        return nullptr;
    auto* popup = dynamic_cast<BCMenu*>(m_contextMenu.GetSubMenu(0));
    if (popup && selected[0]->m_isDownload)
        popup->RemoveMenu(ID_RESEND_LINK, MF_BYCOMMAND);
    return popup;
}

void CTarnixDlg::ShowContextMenu(POINT click)
{
    // Where the click was, not where the pointer is now: it may have moved on, and under Wine the
    // pointer follows input only while the display has the focus.
    UINT flags = 0;
    if (m_list.HitTest(click, &flags) < 0 || !(flags & LVHT_ONITEM) || m_list.GetSelectionMark() < 0)
        return;
    POINT screen = click;
    m_list.ClientToScreen(&screen);
    if (CMenu* popup = PrepareContextMenu())
        popup->TrackPopupMenu(TPM_RIGHTBUTTON, screen.x, screen.y, m_hWnd);
}

// --- Get link -----------------------------------------------------------------------------------

void CTarnixDlg::CopyLinkOfSelection()
{
    const std::vector<CTransferingFile*> selected = SelectedTransfers();
    if (selected.size() != 1)
        return;
    const CTransferingFile& row = *selected[0];
    CFileLink link;
    CLinkFileEntry entry;
    entry.SetPath(row.m_realName);
    entry.m_size = row.m_fileSize;
    std::memcpy(entry.m_fileId, row.m_fileId, sizeof(entry.m_fileId));
    link.m_entries.push_back(entry);
    m_settings.GetUserId(link.m_senderUserId);
    link.m_senderName = m_settings.GetMyName();
    link.m_senderEmail = m_settings.GetMyEmail();
    link.m_subject = m_settings.GetSubject();
    link.m_recipientEmail = row.m_userEmail;
    link.m_message = link.JoinFileNames(", ", -1, link.m_totalSize);
    link.m_recipientName = GetEmailUser(link.m_recipientEmail.str()).c_str();
    if (!CopyTextToClipboard(m_hWnd, link.BuildLinkURL())) {
        AfxMessageBox(IDS_LINK_NOT_COPIED, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    AfxMessageBox(IDS_LINK_COPIED, MB_OK | MB_ICONINFORMATION);
}
