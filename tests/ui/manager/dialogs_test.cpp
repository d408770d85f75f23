// The manager's own dialogs: the tell-a-friend prompt by state and run, a timer tick that comes
// while the prompt is open, the version notices with the update question once a day, and the
// end of an update download.

#include <gtest/gtest.h>

#include "app/TransferingFile.h"
#include "framework/Time.h"
#include "framework/WinApp.h"
#include "infra/DmsDate.h"
#include "support/CoreTestSupport.h"
#include "support/ManagerTestSupport.h"
#include "ui/res/ui_ids.h"
#include "window/MessagePumping.h"
#include "window/ModalDriver.h"

using namespace managertest;
using windowtest::CModalDriver;
using windowtest::PostCommand;

namespace {

constexpr int kDontShowAgain = 1033;
constexpr int kUpgradeNo = 1020;

// The application object, whose profile remembers when the update question was last asked.
class CProfileApp : public CWinApp {
public:
    CProfileApp() : CWinApp("Tarnix")
    {
        m_key.Format("TarnixUIManagerTest %lu", ::GetCurrentProcessId());
        SetRegistryKey(m_key);
    }
    ~CProfileApp() override { ::RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\" + m_key); }

private:
    CString m_key;
};

CString DateText(const CTime& time)
{
    CdmsDate date(time.GetDay(), time.GetMonth(), time.GetYear());
    return date.Format();
}

bool QuitPosted()
{
    MSG msg;
    return ::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
}

} // namespace

TEST_F(UIManagerTest, TheTellAFriendPromptComesWithTheSecondDownloadAndOnceARunWhileDeferred)
{
    ui->PromptTellAFriend();
    EXPECT_EQ(1, Settings().GetDownloadsCompleted());
    {
        CModalDriver later("#32770", [](HWND prompt) {
            EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(prompt, kDontShowAgain))) << "first form";
            PostCommand(prompt, IDCANCEL);
        });
        ui->PromptTellAFriend();
        EXPECT_TRUE(later.Done()) << "the second download brings it";
    }
    EXPECT_EQ(1, Settings().GetTAFSate()) << "maybe later";
    {
        CModalDriver none("#32770", [](HWND prompt) { PostCommand(prompt, IDCANCEL); });
        ui->PromptTellAFriend();
        EXPECT_FALSE(none.Done()) << "deferred: only at a run's first download";
    }

    CUIManager nextRun(Settings(), transfers.get(), &main);
    {
        CModalDriver never("#32770", [](HWND prompt) {
            EXPECT_TRUE(::IsWindowVisible(::GetDlgItem(prompt, kDontShowAgain))) << "second form";
            ::SendMessageA(::GetDlgItem(prompt, kDontShowAgain), BM_SETCHECK, BST_CHECKED, 0);
            PostCommand(prompt, IDCANCEL);
        });
        nextRun.PromptTellAFriend();
        EXPECT_TRUE(never.Done());
    }
    EXPECT_EQ(2, Settings().GetTAFSate()) << "do not show again";

    // OK runs the wizard, whatever it ends with.
    Settings().SetTAFSate(1);
    CUIManager thirdRun(Settings(), transfers.get(), &main);
    {
        windowtest::CModalScript script({{"#32770", nullptr, kDontShowAgain, [](HWND p) { PostCommand(p, IDOK); }},
                                         {"#32770", nullptr, 1085, [](HWND p) { PostCommand(p, IDCANCEL); }}});
        thirdRun.PromptTellAFriend();
        EXPECT_TRUE(script.Done()) << script.Failure();
    }
    EXPECT_EQ(2, Settings().GetTAFSate());
    {
        CModalDriver none("#32770", [](HWND prompt) { PostCommand(prompt, IDCANCEL); });
        CUIManager(Settings(), transfers.get(), &main).PromptTellAFriend();
        EXPECT_FALSE(none.Done()) << "never again";
    }
    EXPECT_EQ(6, Settings().GetDownloadsCompleted());
}

TEST_F(UIManagerTest, ATimerTickWhileThePromptIsOpenLeavesTheQueuesForTheNextTick)
{
    Settings().SetDownloadsCompleted(1);
    const std::uint32_t id = Receive({"a.txt"}, 30)[0];
    Tick();
    CMainManager::PushUIEvent(SUIEvent::Notification(static_cast<std::int32_t>(id), true, 0));
    int rebuildsInside = -1;
    std::int64_t transferredInside = -1;
    {
        CModalDriver prompt("#32770", [&](HWND dialog) {
            CMainManager::PushUIEvent(SUIEvent::Progress(id, FS_RECEIVING, 7, 10, 3));
            ASSERT_TRUE(transfers->Registry().Remove(id));
            const int rebuilds = window->Count("rebuild");
            windowtest::StepTimer(window->GetSafeHwnd(), 5);
            rebuildsInside = window->Count("rebuild") - rebuilds;
            const CTransferingFile* row = ui->GetTransferAt(kDownloadRows, 0);
            transferredInside = row ? row->m_transferred : -2; // -2: the row went
            PostCommand(dialog, IDCANCEL);
        });
        Tick();
        EXPECT_TRUE(prompt.Done());
    }
    EXPECT_EQ(0, rebuildsInside) << "the nested tick returned at once";
    EXPECT_EQ(0, transferredInside);
    EXPECT_EQ(1, window->Count(("tip " + std::to_string(id) + " finished").c_str()));
    Tick();
    int uploads = 0, downloads = 0;
    ui->GetItemCounts(uploads, downloads);
    EXPECT_EQ(0, downloads) << "the removal came with the next tick";
}

TEST_F(UIManagerTest, VersionNoticesAskAboutTheUpdateOnceADayOrDemandIt)
{
    CProfileApp app;
    CAppProfile& profile = *app.GetProfile();
    Settings().SetServerNotice(2);
    const auto notice = [&](const char* lastShown) {
        profile.WriteProfileString("Tarnix\\Update\\", "lastShowUpdateDlg", lastShown);
        CModalDriver question("#32770", [](HWND dialog) {
            ::CheckRadioButton(dialog, 1019, kUpgradeNo, kUpgradeNo);
            PostCommand(dialog, IDOK);
        });
        CMainManager::PushUIEvent(SUIEvent::VersionNotice());
        Tick();
        return question.Done();
    };
    const CTime now = CTime::GetCurrentTime();
    EXPECT_TRUE(notice(nullptr)) << "never asked";
    EXPECT_EQ(DateText(now), profile.GetProfileString("Tarnix\\Update\\", "lastShowUpdateDlg"));
    EXPECT_FALSE(notice(DateText(now))) << "asked today";
    EXPECT_TRUE(notice(DateText(now - 86400))) << "asked yesterday";
    EXPECT_TRUE(notice("no date at all"));

    // An upgrade that cannot wait: the box, then the download dialog at once.
    Settings().SetServerNotice(3);
    {
        CModalDriver cancel("#32770", [](HWND dialog) { PostCommand(dialog, IDCANCEL); });
        CMainManager::PushUIEvent(SUIEvent::VersionNotice());
        Tick();
        EXPECT_TRUE(cancel.Done());
    }
    EXPECT_EQ(StringText(IDS_UPGRADE_REQUIRED), boxes.back());
}

TEST_F(UIManagerTest, TheEndOfAnUpdateDownloadCountsOnlyWhileOneWasShown)
{
    const CString recorder = RecorderPath();
    ASSERT_TRUE(::CopyFileA(recorder, folder / "TarnixInstall.exe", FALSE)) << "a peer's file of that name";
    Settings().SetServerNotice(3);

    ui->OnUpdateDownloaded(1);
    ui->OnUpdateDownloaded(0);
    EXPECT_FALSE(QuitPosted()) << "no update download: a stray message";
    const CString opened = folder / "opened.txt";
    ::Sleep(300);
    EXPECT_FALSE(coretest::Exists(opened)) << "nothing started";

    // A download dialog closes by itself before its end message arrives.
    EXPECT_TRUE(main.ShowUpdate(false, Settings(), *transfers));
    HWND dialog = windowtest::FindProcessWindow("#32770");
    ASSERT_NE(nullptr, dialog);
    ::SendMessageA(dialog, WM_CLOSE, 0, 0);
    windowtest::PumpPending();
    ui->OnUpdateDownloaded(1);
    EXPECT_TRUE(QuitPosted());
    for (DWORD start = ::GetTickCount(); !coretest::Exists(opened) && ::GetTickCount() - start < 10000;)
        ::Sleep(20);
    EXPECT_TRUE(coretest::Exists(opened)) << "the installer started";
    ui->OnUpdateDownloaded(1);
    EXPECT_FALSE(QuitPosted()) << "once";
}

TEST_F(UIManagerTest, OptionsAndSpeedStoreWhatTheirDialogsGaveAfterOk)
{
    Settings().SetMyName("Ann");
    Settings().SetMyEmail("ann@test.example");
    {
        CModalDriver options("#32770", [](HWND dialog) {
            ::SetDlgItemTextA(dialog, 1006, "Zed");
            PostCommand(dialog, IDOK);
        });
        ui->OnOptions();
        EXPECT_TRUE(options.Done());
    }
    EXPECT_EQ("Zed", Settings().GetMyName().str());
    EXPECT_EQ(folder.Path(), Settings().GetDownloadLocation());

    // The level goes to every upload's session as 2 minus the setting.
    const std::uint32_t upload = Send({"s.txt"}, "", 41)[0];
    Tick();
    Settings().SetBandwidth(1);
    const std::size_t before = service.Posts().size();
    {
        CModalDriver speed("#32770", [](HWND dialog) { PostCommand(dialog, IDOK); });
        ui->OnSpeed();
        EXPECT_TRUE(speed.Done());
    }
    const std::vector<std::string> posts = service.Posts();
    EXPECT_EQ(std::vector<std::string>(posts.begin() + static_cast<std::ptrdiff_t>(before), posts.end()),
              std::vector<std::string>{"level 64 1"})
        << upload;
}
