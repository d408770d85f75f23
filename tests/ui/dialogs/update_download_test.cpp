// The update download dialog against a scripted HTTP responder: what it shows and when, how it
// ends and whom it tells, and how the main manager shows it (modal when forced, else modeless)
// and gets rid of it, through a small user interface that holds it.

// Winsock before windows.h.
#include "support/HttpResponder.h"

#include <string>
#include <vector>

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "app/InternetEnvironment.h"
#include "app/MainManager.h"
#include "app/TransferManager.h"
#include "app/UserInterfaceSeam.h"
#include "support/DialogTestSupport.h"
#include "ui/UpdateDownloadDlg.h"
#include "ui/UpdateDownloadHolder.h"
#include "ui/res/ui_ids.h"
#include "window/MessagePumping.h"
#include "window/ModalDriver.h"
#include "window/TestClock.h"

namespace {

using dialogtest::DlgText;
using windowtest::PostCommand;
using windowtest::StepTimer;

class COnline : public IInternetEnvironment {
public:
    bool IsConnected() override { return connected; }
    DWORD ErrorDialog(HWND, HINTERNET, DWORD, DWORD) override { return ERROR_SUCCESS; }
    bool connected = true;
};

// The main window as the dialog sees it: it notes every end it is told of.
class CMainWindow : public CWnd {
public:
    CMainWindow() { CreateEx(0, "STATIC", "main", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr); }
    std::vector<WPARAM> ends;

protected:
    bool OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override
    {
        if (msg == CUpdateDownloadDlg::kDoneMessage)
            ends.push_back(wParam);
        return CWnd::OnWndMsg(msg, wParam, lParam, result);
    }
};

// The user interface as far as the update goes.
class CUpdateSeam : public IUserInterfaceSeam {
public:
    explicit CUpdateSeam(CWnd* main) : holder(main) {}
    void OpenLinkText(const CString&) override {}
    void OnOptions() override {}
    bool ShowUpdateDialog(const CString& url, const CString& path, bool modal) override
    {
        return holder.Show(url, path, modal);
    }
    void DestroyUpdateDialog() override { holder.Destroy(); }
    CUpdateDownloadHolder holder;
};

// Waits, handling no message, until `msg` is queued for `window`.
bool WaitForPosted(HWND window, UINT msg)
{
    for (int i = 0; i < 2000; ++i) {
        MSG queued;
        if (::PeekMessageA(&queued, window, msg, msg, PM_NOREMOVE))
            return true;
        ::Sleep(10);
    }
    return false;
}

class UpdateDownload : public dialogtest::DialogTest {
protected:
    UpdateDownload() : seam(&main)
    {
        SetInternetEnvironment(&internet);
        Settings().SetDownloadLocation(folder.Path());
        manager.SetUserInterface(&seam);
        CTransferManager::SConfig config;
        config.settings = &Settings();
        config.folder = xmlFolder;
        transfers = std::make_unique<CTransferManager>(config);
    }
    ~UpdateDownload() override
    {
        seam.holder.Destroy();
        SetInternetEnvironment(nullptr);
    }
    static CString Url(const CHttpResponder& responder)
    {
        return ("http://127.0.0.1:" + std::to_string(responder.Port()) + "/update/TarnixInstall.exe").c_str();
    }
    HWND Shown() const { return seam.holder.Get() ? seam.holder.Get()->m_hWnd : nullptr; }

    COnline internet;
    CMainWindow main;
    CUpdateSeam seam;
    CMainManager manager;
    std::unique_ptr<CTransferManager> transfers;
};

} // namespace

TEST_F(UpdateDownload, ProgressShowsOnTheRefreshTimerOnlyAndTheEndIsPostedToBothWindows)
{
    const std::string body(100000, 'i');
    CHttpResponder responder({HttpHead("200 OK", std::to_string(body.size())), body, 8192});
    const CString target = folder / "TarnixInstall.exe";
    windowtest::CTestClock clock;
    ASSERT_TRUE(seam.holder.Show(Url(responder), target, false));
    HWND dialog = Shown();
    EXPECT_EQ(DlgText(dialog, IDC_FILE_SIZE), "File size: 0 KB");

    StepTimer(dialog, CUpdateDownloadDlg::kConnectionTimer);
    ASSERT_TRUE(seam.holder.Get()->IsDownloadStarted());
    clock.Advance(2000);
    // No message is handled meanwhile: a callback that sent one would hold the worker for ever.
    ASSERT_TRUE(WaitForPosted(dialog, WM_CLOSE));
    ASSERT_TRUE(WaitForPosted(main, CUpdateDownloadDlg::kDoneMessage));
    EXPECT_EQ(DlgText(dialog, IDC_DOWNLOADED), "0 KB");
    EXPECT_EQ(::SendDlgItemMessageA(dialog, IDC_UPDATE_PROGRESS, PBM_GETPOS, 0, 0), 0);

    StepTimer(dialog, CUpdateDownloadDlg::kRefreshTimer);
    EXPECT_EQ(DlgText(dialog, IDC_FILE_SIZE), "File size: 97 KB");
    EXPECT_EQ(DlgText(dialog, IDC_DOWNLOADED), "97 KB");
    EXPECT_EQ(DlgText(dialog, IDC_DOWNLOAD_RATE), "48.83 KB/sec"); // 100000 bytes in 2 s
    EXPECT_EQ(DlgText(dialog, IDC_TIME_LEFT), "00:00:00");
    EXPECT_EQ(::SendDlgItemMessageA(dialog, IDC_UPDATE_PROGRESS, PBM_GETPOS, 0, 0), 100000);

    // The close destroys the modeless dialog; the holder has let go of it.
    ASSERT_TRUE(windowtest::PumpUntil([&] { return !::IsWindow(dialog) && !seam.holder.Get(); }, 10000));
    windowtest::PumpPending();
    EXPECT_EQ(main.ends, (std::vector<WPARAM>{1}));
    EXPECT_EQ(coretest::ReadFileBytes(target), body);
}

TEST_F(UpdateDownload, AModelessDialogGoesOnCloseUpdateOnCancelAndAfterTenSecondsOffline)
{
    internet.connected = false;
    ASSERT_TRUE(manager.ShowUpdate(false, Settings(), *transfers));
    EXPECT_EQ(manager.GetInstallerPath(), folder / "TarnixInstall.exe");
    HWND first = Shown();
    ASSERT_TRUE(::IsWindowVisible(first));
    ASSERT_TRUE(manager.ShowUpdate(false, Settings(), *transfers)); // takes the first one's place
    HWND second = Shown();
    manager.CloseUpdate();
    EXPECT_FALSE(::IsWindow(first) || ::IsWindow(second) || seam.holder.Get());

    ASSERT_TRUE(manager.ShowUpdate(false, Settings(), *transfers));
    HWND cancelled = Shown();
    PostCommand(cancelled, IDC_UPDATE_BUTTON);
    ASSERT_TRUE(windowtest::PumpUntil([&] { return !::IsWindow(cancelled) && !seam.holder.Get(); }));

    ASSERT_TRUE(manager.ShowUpdate(false, Settings(), *transfers));
    HWND waiting = Shown();
    for (int tick = 1; tick < CUpdateDownloadDlg::kConnectionTicks; ++tick)
        StepTimer(waiting, CUpdateDownloadDlg::kConnectionTimer);
    EXPECT_TRUE(::IsWindow(waiting));
    StepTimer(waiting, CUpdateDownloadDlg::kConnectionTimer);
    EXPECT_FALSE(::IsWindow(waiting) || seam.holder.Get());
    windowtest::PumpPending();
    EXPECT_TRUE(main.ends.empty()) << "nothing was fetched";
}

TEST_F(UpdateDownload, AForcedUpdateRunsModallyFalseWhenCancelledTrueWithTheWholeInstaller)
{
    internet.connected = false;
    bool modal = false;
    windowtest::CModalScript cancel({
        {"#32770", "Downloading update...", IDC_UPDATE_BUTTON,
         [&](HWND dialog) {
             modal = !::IsWindowEnabled(main);
             PostCommand(dialog, IDC_UPDATE_BUTTON);
         }},
    });
    EXPECT_FALSE(manager.ShowUpdate(true, Settings(), *transfers));
    EXPECT_TRUE(cancel.Done() && modal && !seam.holder.Get()) << cancel.Failure();

    // On line, the real timers start the download and the end closes the dialog.
    internet.connected = true;
    const std::string body(5000, 'j');
    CHttpResponder responder({HttpHead("200 OK", std::to_string(body.size())), body});
    const CString target = folder / "TarnixInstall.exe";
    EXPECT_TRUE(seam.holder.Show(Url(responder), target, true));
    windowtest::PumpPending();
    EXPECT_EQ(main.ends, (std::vector<WPARAM>{1}));
    EXPECT_EQ(coretest::ReadFileBytes(target), body);
}
