#pragma once
// CHttpDownloader: the controller of one update download, used on the user-interface thread.
//
// It owns the worker thread (made on the first Start, which posts it the one request of this
// controller) and stands between the worker and the client's callback: it makes every download
// start from byte 0, shows the error message for reported failures (through the message-box
// hook), and forwards the rest. The client (owned by the caller) must outlive the controller;
// its callbacks run on the worker thread. Destruction stops the worker: it waits up to
// STOP_WAIT_MS and only then terminates it, and leaves no unfinished target file behind.

#include <atomic>
#include <memory>

#include "app/HttpDownloadCallback.h"
#include "app/HttpDownloadThread.h"
#include "framework/String.h"

class CHttpDownloader : public IHttpDownloadCallback {
public:
    static const DWORD CANCEL_PAUSE_MS = 1000;
    static const DWORD STOP_WAIT_MS = 5000;

    CHttpDownloader(const CString& url, const CString& target, IHttpDownloadCallback& client);
    ~CHttpDownloader();
    CHttpDownloader(const CHttpDownloader&) = delete;
    CHttpDownloader& operator=(const CHttpDownloader&) = delete;

    // False only when the worker could not be started.
    bool Start();
    // The transfer stops at its next block and ends with OnDone(false).
    void Cancel();
    bool IsStarted() const { return m_started; }

    // Host, port (0 when the URL names none) and path of an "http://" URL; a query is dropped.
    static void SplitUrl(const CString& url, CString& host, INTERNET_PORT& port, CString& path);

private:
    void OnStart(DWORD total, DWORD& present) override;
    void OnDone(bool success) override;
    void OnData(DWORD offset, DWORD length, const void* data) override;
    void OnError(int code) override;

    CString m_url;
    CString m_target;
    IHttpDownloadCallback& m_client;
    std::unique_ptr<CHttpDownloadThread> m_worker;
    bool m_started = false;
    std::atomic<bool> m_succeeded{false};
};
