// The options, speed, update and about dialogs and the update download, each made modeless and
// filled as a user would meet it.

#include <windows.h>

#include "app/InternetEnvironment.h"
#include "app/SettingsManager.h"
#include "gallery/more_dialogs.h"
#include "ui/AboutDlg.h"
#include "ui/OptionsDlg.h"
#include "ui/SpeedDialog.h"
#include "ui/UpdateDialog.h"
#include "ui/UpdateDownloadDlg.h"
#include "window/Gallery.h"
#include "window/MessagePumping.h"
#include "window/TestClock.h"

using windowtest::CGallery;

namespace {

// Off line: the download dialog waits and fetches nothing while it is shown.
class COffline : public IInternetEnvironment {
public:
    bool IsConnected() override { return false; }
    DWORD ErrorDialog(HWND, HINTERNET, DWORD, DWORD) override { return ERROR_SUCCESS; }
};

bool ShowOptions(CGallery& gallery, CSettingsManager& settings)
{
    settings.SetMyName("Ann Jones");
    settings.SetMyEmail("ann@b.test");
    settings.SetDownloadLocation("C:\\users\\Ann\\Documents\\My Recieved Files");
    settings.SetUnlimitedDownloads(0);
    settings.SetMaxDownloads(3);
    settings.SetUnlimitedUploads(1);
    COptionsDlg dialog(nullptr, settings);
    return dialog.Create() && gallery.ShowItem("dialogs-options", dialog.m_hWnd);
}

bool ShowSpeed(CGallery& gallery)
{
    CSpeedDialog dialog;
    dialog.m_level = 1;
    return dialog.Create() && gallery.ShowItem("dialogs-speed", dialog.m_hWnd);
}

bool ShowUpdate(CGallery& gallery)
{
    CUpdateDialog dialog;
    return dialog.Create() && gallery.ShowItem("dialogs-update", dialog.m_hWnd);
}

bool ShowAbout(CGallery& gallery)
{
    CAboutDlg dialog;
    return dialog.Create() && gallery.ShowItem("dialogs-about", dialog.m_hWnd);
}

// Two of five megabytes after eight seconds.
bool ShowUpdateDownload(CGallery& gallery)
{
    COffline offline;
    SetInternetEnvironment(&offline);
    bool shown = false;
    {
        windowtest::CTestClock clock;
        CUpdateDownloadDlg dialog("http://tarnix.test/download/TarnixInstall.exe", "C:\\TarnixInstall.exe", nullptr);
        if (dialog.Create()) {
            DWORD present = 0;
            dialog.OnStart(5 * 1024 * 1024, present);
            dialog.OnData(0, 2 * 1000 * 1000, nullptr);
            clock.Advance(8000);
            windowtest::StepTimer(dialog.m_hWnd, CUpdateDownloadDlg::kRefreshTimer);
            shown = gallery.ShowItem("dialogs-update-download", dialog.m_hWnd);
        }
    }
    SetInternetEnvironment(nullptr);
    return shown;
}

} // namespace

int ShowSettingsDialogs(CGallery& gallery, CSettingsManager& settings)
{
    int failures = 0;
    failures += ShowOptions(gallery, settings) ? 0 : 1;
    failures += ShowSpeed(gallery) ? 0 : 1;
    failures += ShowUpdate(gallery) ? 0 : 1;
    failures += ShowAbout(gallery) ? 0 : 1;
    failures += ShowUpdateDownload(gallery) ? 0 : 1;
    return failures;
}
