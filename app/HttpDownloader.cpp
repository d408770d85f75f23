#include "app/HttpDownloader.h"

#include <cstdlib>

#include "app/StringIds.h"
#include "framework/MessageBox.h"

CHttpDownloader::CHttpDownloader(const CString& url, const CString& target, IHttpDownloadCallback& client)
    : m_url(url), m_target(target), m_client(client)
{}

CHttpDownloader::~CHttpDownloader()
{
    if (!m_worker)
        return;
    m_worker->RequestStop();
    m_worker->ResumeEvent().Set();
    m_worker->RunEvent().Reset();
    m_worker->PostThreadMessage(WM_QUIT);
    if (WaitForSingleObject(m_worker->GetHandle(), STOP_WAIT_MS) != WAIT_OBJECT_0) {
        m_worker->Terminate(1);
        WaitForSingleObject(m_worker->GetHandle(), INFINITE);
    }
    m_worker.reset();
    // A worker ended mid-transfer had no chance to remove its partial file.
    if (!m_succeeded)
        DeleteFileA(m_target);
}

bool CHttpDownloader::Start()
{
    if (m_started)
        return true;
    if (!m_worker) {
        auto worker = std::make_unique<CHttpDownloadThread>(*this);
        CString host, path;
        INTERNET_PORT port = 0;
        SplitUrl(m_url, host, port, path);
        worker->SetRequest(host, port, path, m_target);
        if (!worker->CreateThread())
            return false;
        m_worker = std::move(worker);
        m_worker->PostThreadMessage(CHttpDownloadThread::DOWNLOAD_MESSAGE);
    }
    m_started = true;
    return true;
}

void CHttpDownloader::Cancel()
{
    if (!m_worker)
        return;
    m_worker->RequestPause(CANCEL_PAUSE_MS);
    m_started = false;
    m_worker->ResumeEvent().Set();
    m_worker->RunEvent().Reset();
}

void CHttpDownloader::SplitUrl(const CString& url, CString& host, INTERNET_PORT& port, CString& path)
{
    int start = url.Find("http://");
    start = start < 0 ? 0 : start + 7;
    int cut = url.Mid(start).FindOneOf("/?");
    int hostEnd = cut < 0 ? url.GetLength() : start + cut;
    host = url.Mid(start, hostEnd - start);
    int query = url.Find('?', hostEnd);
    path = query < 0 ? url.Mid(hostEnd) : url.Mid(hostEnd, query - hostEnd);
    // An explicit port ("host:8080"); the host name itself can hold no colon.
    port = 0;
    int colon = host.Find(':');
    if (colon >= 0) {
        unsigned long number = std::strtoul(host.Mid(colon + 1), nullptr, 10);
        if (number > 0 && number <= 65535)
            port = static_cast<INTERNET_PORT>(number);
        host = host.Left(colon);
    }
}

void CHttpDownloader::OnStart(DWORD total, DWORD& present)
{
    // Never resume into a file of unknown origin: every download starts at byte 0.
    DeleteFileA(m_target);
    present = 0;
    DWORD shown = 0;
    m_client.OnStart(total, shown);
    m_worker->ClearPause();
}

void CHttpDownloader::OnDone(bool success)
{
    m_succeeded = success;
    m_client.OnDone(success);
}

void CHttpDownloader::OnData(DWORD offset, DWORD length, const void* data)
{
    m_client.OnData(offset, length, data);
}

void CHttpDownloader::OnError(int code)
{
    if (code == DOWNLOAD_ERROR_REPORTED) {
        CString text("Error in Auto Update\n");
        CString detail;
        detail.LoadString(IDS_UPDATE_CHECK_FAILED);
        text += detail;
        AfxMessageBox(text, MB_ICONSTOP);
    }
    m_client.OnError(code);
}
