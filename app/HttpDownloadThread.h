#pragma once
// CHttpDownloadThread: the worker that fetches one file over HTTP into a target path.
//
// Thread message DOWNLOAD_MESSAGE performs the request set with SetRequest; the callback
// (owned by the caller, alive as long as the thread) hears every step on this worker thread.
// The file is fetched from the offset OnStart leaves in `present`; any end other than success
// deletes the target, so no partial or empty file stays behind, and success means exactly the
// announced bytes are on disk. The stop, pause and event members are for the controlling thread.
// The owner ends the thread (WM_QUIT) before destroying the object; destruction closes the file,
// the WinINet handles and the events.

#include <atomic>

#include "app/HttpDownloadCallback.h"
#include "framework/File.h"
#include "framework/InternetHandle.h"
#include "framework/ManualResetEvent.h"
#include "framework/String.h"
#include "framework/WorkerThread.h"

class CHttpDownloadThread : public CWorkerThread {
public:
    static const UINT DOWNLOAD_MESSAGE = 100;
    static const DWORD BLOCK_SIZE = 32768;
    static const DWORD DEFAULT_PAUSE_MS = 1000;

    explicit CHttpDownloadThread(IHttpDownloadCallback& callback);
    ~CHttpDownloadThread() override;

    // Before the message is posted. Port 0 is the default HTTP port.
    void SetRequest(const CString& host, INTERNET_PORT port, const CString& path, const CString& target);

    // Any thread.
    void RequestStop() { m_stop = true; }
    void RequestPause(DWORD milliseconds);
    void ClearPause() { m_pause = false; }
    bool IsBusy() const { return m_busy; }
    // "run" is signalled while the transfer may go on; "resume" ends a requested pause early.
    CManualResetEvent& RunEvent() { return m_run; }
    CManualResetEvent& ResumeEvent() { return m_resume; }

protected:
    bool OnThreadStart() override;
    void OnThreadMessage(const MSG& message) override;
    DWORD OnThreadEnd() override;

private:
    void Download();
    bool SendRequest();
    bool QueryStatusOk();
    bool QueryLength(DWORD& total);
    void Transfer(DWORD total, DWORD position);
    void Fail(int code);

    IHttpDownloadCallback& m_callback;
    CString m_host;
    INTERNET_PORT m_port = 0;
    CString m_path;
    CString m_target;
    CInternetHandle m_session; // in this order, so the request closes first
    CInternetHandle m_connection;
    CInternetHandle m_request;
    CFile m_file;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_busy{false};
    std::atomic<bool> m_pause{false};
    std::atomic<DWORD> m_pauseMs{DEFAULT_PAUSE_MS};
    CManualResetEvent m_run{true};
    CManualResetEvent m_resume{false};
    // The worker's COM, from its start hook to its end hook; never undone from another thread
    // (a terminated worker skips its end hook).
    HRESULT m_com = E_FAIL;
};
