#pragma once
// COptionsDlg: the user's settings edited in one dialog: identity, download folder (typed or
// picked with the folder picker), how many transfers run at once, and start-up behaviour. The
// members start from the settings; OK accepts them only with a writable folder, a name, a
// well-formed address and, for each limit that is not "Unlimited", a whole number of at least 1.
// "Load on Startup" is stored at OK (it also sets the start-up entry); the caller stores the rest
// from the members after IDOK. Cancel stores nothing. User-interface thread.

#include "app/SettingsManager.h"
#include "framework/String.h"
#include "ui/TNButtonTr.h"
#include "ui/TNDialog.h"

class COptionsDlg : public CTNDialog {
public:
    // The settings must outlive the dialog.
    explicit COptionsDlg(CWnd* parent = nullptr, CSettingsManager& settings = *CSettingsManager::Instance());

    bool m_showSplash;
    CString m_downloadLocation;
    int m_maxDownloads; // 0 after OK when unlimited
    int m_maxUploads;
    bool m_unlimitedDownloads;
    bool m_unlimitedUploads;
    CString m_myName;
    CString m_myEmail;
    bool m_readOutlook; // ExtructOutlook
    bool m_loadOnStartup;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* dx) override;
    void OnOK() override;
    bool OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

private:
    void EnableLimits();
    void Browse();
    // False, after telling the user and focusing the box, when a limit in use is below 1.
    bool CheckLimit(bool unlimited, int limit, int boxId);

    CSettingsManager& m_settings;
    CTNButtonTr m_ok;
    CTNButtonTr m_cancel;
    CTNButtonTr m_browse;
};
