#pragma once
// CUpdateDownloadHolder: the one update download dialog of the program, held for whoever shows
// it (the user-interface manager): run modally, or made modeless and kept until its window goes
// (by itself, or through Destroy). Its pointer is cleared before the dialog is deleted, so Get
// never gives a dialog on its way out. User-interface thread.

#include <windows.h>

#include "framework/String.h"

class CUpdateDownloadDlg;
class CWnd;

class CUpdateDownloadHolder {
public:
    // The main window: the dialogs' parent and the window told when a download ends.
    explicit CUpdateDownloadHolder(CWnd* mainWindow = nullptr) : m_mainWindow(mainWindow) {}
    ~CUpdateDownloadHolder();
    CUpdateDownloadHolder(const CUpdateDownloadHolder&) = delete;
    CUpdateDownloadHolder& operator=(const CUpdateDownloadHolder&) = delete;

    void SetMainWindow(CWnd* mainWindow) { m_mainWindow = mainWindow; }

    // Destroys a dialog that still exists, then shows a new one fetching `url` into `path`.
    // Modal: true when the installer arrived. Modeless: true when the dialog could be made.
    bool Show(const CString& url, const CString& path, bool modal);
    // Destroys the dialog, if any.
    void Destroy();
    // The dialog now shown, or null.
    CUpdateDownloadDlg* Get() const { return m_dialog; }

private:
    friend class CUpdateDownloadDlg;
    void Forget(const CUpdateDownloadDlg* dialog);

    CWnd* m_mainWindow;                     // not owned
    CUpdateDownloadDlg* m_dialog = nullptr; // a modeless one is owned; a modal one is Show's
    bool m_modal = false;
};
