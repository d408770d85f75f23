#pragma once
// CUpdateDownloadDlg: fetches the new installer and shows how far it got: file size, bytes so
// far, rate and time left, and a progress bar. It waits for the system to be on line (timer
// 1002, once a second; ten seconds without a connection close it and nothing is fetched), then
// starts the download (CHttpDownloader, with this dialog as its client). When the download ends
// the dialog closes and the window to notify gets kDoneMessage (wParam 1: the installer is
// whole). Cancel stops the download; the target file then goes.
//
// Threads: the download callbacks run on the worker thread. They only store numbers and post
// (a send would block the worker while this thread waits for it to stop); timer 100, on the
// user-interface thread, shows them every 500 ms. Everything else is user-interface thread.
//
// Modal (DoModal): ends with IDOK once the installer has arrived, else IDCANCEL. Modeless
// (Create): a close destroys the window, since EndDialog only hides a modeless dialog; a dialog
// that a CUpdateDownloadHolder made that way deletes itself then, telling the holder first.

#include <atomic>
#include <memory>

#include <windows.h>

#include "app/HttpDownloadCallback.h"
#include "framework/Dialog.h"
#include "framework/ProgressCtrl.h"
#include "framework/String.h"
#include "ui/TNButton.h"

class CHttpDownloader;
class CUpdateDownloadHolder;

class CUpdateDownloadDlg : public CDialog, public IHttpDownloadCallback {
public:
    // Posted to the window to notify when the download ended; wParam 1 when the file is whole.
    static constexpr UINT kDoneMessage = WM_USER + 0x40;
    static constexpr UINT_PTR kRefreshTimer = 100;
    static constexpr UINT kRefreshMs = 500;
    static constexpr UINT_PTR kConnectionTimer = 1002;
    static constexpr UINT kConnectionMs = 1000;
    static constexpr int kConnectionTicks = 10; // ticks without a connection before giving up
    static constexpr DWORD kStopGraceMs = 1000; // the worker's time to leave its loop

    // `url` is fetched into `target`; `notify` (the main window) hears the end.
    CUpdateDownloadDlg(const CString& url, const CString& target, HWND notify, CWnd* parent = nullptr);
    // Waits kStopGraceMs when a download was started, then stops its controller.
    ~CUpdateDownloadDlg() override;

    bool Create(UINT templateId = 0, CWnd* parent = nullptr) override;

    // A dialog made modeless by the holder: deleted when its window goes, after the holder has
    // forgotten it.
    void SetHolder(CUpdateDownloadHolder* holder) { m_holder = holder; }
    bool IsDownloadStarted() const { return m_controller != nullptr; }

    // The download's callbacks: worker thread.
    void OnStart(DWORD total, DWORD& present) override;
    void OnDone(bool success) override;
    void OnData(DWORD offset, DWORD length, const void* data) override;
    void OnError(int code) override;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* dx) override;
    void OnCancel() override;
    bool OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    void OnDestroy() override;
    void PostNcDestroy() override;

private:
    void Refresh();
    void WatchConnection();
    void StopDownload();
    void Close(int code);

    const CString m_url;
    const CString m_target;
    const HWND m_notify;
    CProgressCtrl m_progress;
    CTNButton m_button;
    CString m_sizeUnit;    // "KB"
    CString m_sizePrefix;  // "File size: "
    CString m_secondsUnit; // "sec"

    // Written by the worker, read by the timers.
    std::atomic<DWORD> m_total{0};
    std::atomic<DWORD> m_current{0};
    std::atomic<bool> m_succeeded{false};
    std::atomic<HWND> m_window{nullptr}; // cleared as the window goes: no post after that

    DWORD m_startTick = 0;
    DWORD m_sampled = 0; // bytes at the last rate sample
    int m_samples = 0;
    double m_rate = 0; // mean bytes per second
    bool m_connected = false;
    int m_ticksOffline = 0;
    bool m_modeless = false;
    CUpdateDownloadHolder* m_holder = nullptr; // not owned
    std::unique_ptr<CHttpDownloader> m_controller;
};
