// The user-interface manager's dialogs: options, speed, the tell-a-friend wizard and prompt, and
// the update question, download and installer.

#include <windows.h>

#include <shellapi.h>

#include "app/MainManager.h"
#include "app/TransferManager.h"
#include "framework/MessageBox.h"
#include "framework/Time.h"
#include "framework/WinApp.h"
#include "framework/Wnd.h"
#include "infra/DmsDate.h"
#include "ui/OptionsDlg.h"
#include "ui/SpeedDialog.h"
#include "ui/TAFPromtDlg.h"
#include "ui/TAFSheet.h"
#include "ui/TransferFunctors.h"
#include "ui/UIManager.h"
#include "ui/UpdateDialog.h"
#include "ui/res/ui_ids.h"

namespace {

const char kUpdateSection[] = "Tarnix\\Update\\";
const char kLastShownEntry[] = "lastShowUpdateDlg";

CdmsDate Today()
{
    const CTime now = CTime::GetCurrentTime();
    return CdmsDate(now.GetDay(), now.GetMonth(), now.GetYear());
}

} // namespace

CWnd* CUIManager::MainWnd()
{
    return CWnd::FromHandlePermanent(MainWindow());
}

void CUIManager::OnOptions()
{
    COptionsDlg options(MainWnd(), m_settings);
    if (options.DoModal() != IDOK)
        return;
    m_settings.SetShowSplash(options.m_showSplash ? 1 : 0);
    m_settings.SetDownloadLocation(options.m_downloadLocation);
    m_settings.SetMaxDownloads(options.m_maxDownloads);
    m_settings.SetMaxUploads(options.m_maxUploads);
    m_settings.SetUnlimitedDownloads(options.m_unlimitedDownloads ? 1 : 0);
    m_settings.SetUnlimitedUploads(options.m_unlimitedUploads ? 1 : 0);
    m_settings.SetMyName(options.m_myName);
    m_settings.SetMyEmail(options.m_myEmail);
    m_settings.SetExtructOutlook(options.m_readOutlook ? 1 : 0);
    m_settings.SetLoadOnStartup(options.m_loadOnStartup ? 1 : 0);
}

void CUIManager::OnSpeed()
{
    CSpeedDialog speed(MainWnd());
    speed.m_level = m_settings.GetBandwidth();
    if (speed.DoModal() != IDOK)
        return;
    m_settings.SetBandwidth(speed.m_level);
    Transfer_BandWidthChanger change(Transfers(),
                                     static_cast<std::uint32_t>(CSettingsManager::MAX_BANDWIDTH - speed.m_level));
    ApplyToAll(change);
}

int CUIManager::OnTellAFriend()
{
    CTAFSheet wizard(m_settings);
    if (wizard.Run() != CTAFSheet::kFinished)
        return 2;
    AfxMessageBox(IDS_RECOMMENDATION_SENT, MB_OK | MB_ICONINFORMATION);
    if (!Transfers().SendInvitation(wizard.GetMail()))
        Transfers().AddSleepingMail(wizard.GetMail());
    return 1;
}

void CUIManager::PromptTellAFriend()
{
    const int completed = m_settings.GetDownloadsCompleted() + 1;
    m_settings.SetDownloadsCompleted(completed);
    ++m_finishedThisRun;
    const int state = m_settings.GetTAFSate();
    if (state == 0 && completed >= 2) {
        CTAFPromtDlg prompt(MainWnd());
        if (prompt.DoModal() == IDOK) {
            OnTellAFriend();
            m_settings.SetTAFSate(2);
        } else {
            m_settings.SetTAFSate(1);
        }
    } else if (state == 1 && m_finishedThisRun == 1) {
        // Asked again once a run, now with "do not show this message again".
        CTAFPromtDlg prompt(MainWnd());
        prompt.m_showCheckBox = true;
        const INT_PTR result = prompt.DoModal();
        if (result == IDOK)
            OnTellAFriend();
        if (result != IDCANCEL)
            m_settings.SetTAFSate(2);
    }
}

void CUIManager::OnCheckUpdate()
{
    if (m_settings.GetServerNotice() != 0)
        RunUpdateQuestion();
}

void CUIManager::RunUpdateQuestion()
{
    CUpdateDialog question(MainWnd());
    if (question.DoModal() == IDOK && question.WantsUpgrade())
        Main().ShowUpdate(false, m_settings, Transfers());
}

void CUIManager::OnVersionNotice()
{
    switch (m_settings.GetServerNotice()) {
    case 1:
        // The newer-version balloon, shown with the next drain.
        Main().GetUIQueue().Push(SUIEvent::Notification(0, false, 1));
        break;
    case 2:
        if (ShouldShowUpdateDlg())
            RunUpdateQuestion();
        break;
    case 3:
        AfxMessageBox(IDS_UPGRADE_REQUIRED, MB_OK | MB_ICONEXCLAMATION);
        Main().ShowUpdate(true, m_settings, Transfers());
        break;
    default:
        break;
    }
}

bool CUIManager::ShouldShowUpdateDlg()
{
    CdmsDate today = Today();
    CAppProfile* profile = AfxGetApp() ? AfxGetApp()->GetProfile() : nullptr;
    if (!profile)
        return true;
    const CString last = profile->GetProfileString(kUpdateSection, kLastShownEntry);
    bool show = last.IsEmpty();
    if (!show) {
        try {
            show = CdmsDate(last) < today;
        } catch (const CdmsDate::Error&) {
            show = true; // not a date: as if never shown
        }
    }
    if (show)
        profile->WriteProfileString(kUpdateSection, kLastShownEntry, today.Format());
    return show;
}

bool CUIManager::ShowUpdateDialog(const CString& url, const CString& path, bool modal)
{
    m_updates.SetMainWindow(MainWnd());
    // Its end message is accepted from now on; the dialog itself is gone by the time it arrives.
    m_updateAwaited = true;
    return m_updates.Show(url, path, modal);
}

void CUIManager::DestroyUpdateDialog()
{
    m_updateAwaited = false;
    m_updates.Destroy();
}

void CUIManager::OnUpdateDownloaded(WPARAM result)
{
    // Any process may post the message: without an update download of ours it starts nothing from
    // the download folder, where other people's files land.
    if (!m_updateAwaited)
        return;
    Main().CloseUpdate();
    if (result == 1) {
        ShellExecuteA(MainWindow(), "open", Main().GetInstallerPath(), nullptr, nullptr, SW_SHOWNORMAL);
        PostQuit();
    } else if (m_settings.GetServerNotice() == 3) {
        PostQuit();
    }
}

void CUIManager::PostQuit()
{
    if (HWND window = MainWindow())
        ::PostMessageA(window, WM_QUIT, 0, 0);
}
