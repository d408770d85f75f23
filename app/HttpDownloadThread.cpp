#include "app/HttpDownloadThread.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include <objbase.h>

#include "app/InternetEnvironment.h"

namespace {

const char AGENT[] = "KVHTTP5";
const DWORD REQUEST_FLAGS = INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_NO_COOKIES;
const DWORD ERROR_DIALOG_FLAGS =
    FLAGS_ERROR_UI_FILTER_FOR_ERRORS | FLAGS_ERROR_UI_FLAGS_CHANGE_OPTIONS | FLAGS_ERROR_UI_FLAGS_GENERATE_DATA;
const DWORD LENGTH_TEXT_SIZE = 64;

// Content-Length must be plain decimal digits worth 1 to 4294967295: a missing, zero or
// garbled length must never pass as a finished, empty download.
bool ParseLength(const char* text, DWORD size, DWORD& value)
{
    if (size == 0 || size > 10)
        return false;
    std::uint64_t number = 0;
    for (DWORD i = 0; i < size; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        number = number * 10 + static_cast<unsigned>(text[i] - '0');
    }
    if (number == 0 || number > 0xFFFFFFFFull)
        return false;
    value = static_cast<DWORD>(number);
    return true;
}

DWORD ExistingSize(const char* path, DWORD cap)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path, GetFileExInfoStandard, &data))
        return 0;
    if (data.nFileSizeHigh != 0 || data.nFileSizeLow > cap)
        return cap;
    return data.nFileSizeLow;
}

} // namespace

CHttpDownloadThread::CHttpDownloadThread(IHttpDownloadCallback& callback) : m_callback(callback) {}

CHttpDownloadThread::~CHttpDownloadThread() = default;

void CHttpDownloadThread::SetRequest(const CString& host, INTERNET_PORT port, const CString& path,
                                     const CString& target)
{
    m_host = host;
    m_port = port;
    m_path = path;
    m_target = target;
}

void CHttpDownloadThread::RequestPause(DWORD milliseconds)
{
    m_pauseMs = milliseconds;
    m_pause = true;
}

bool CHttpDownloadThread::OnThreadStart()
{
    m_com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    return true;
}

void CHttpDownloadThread::OnThreadMessage(const MSG& message)
{
    if (message.message == DOWNLOAD_MESSAGE)
        Download();
}

DWORD CHttpDownloadThread::OnThreadEnd()
{
    if (SUCCEEDED(m_com))
        CoUninitialize();
    m_com = E_FAIL;
    return 0;
}

void CHttpDownloadThread::Download()
{
    if (m_stop)
        return;
    if (!GetInternetEnvironment().IsConnected())
        return m_callback.OnError(DOWNLOAD_ERROR_SILENT);
    m_session.Reset(InternetOpenA(AGENT, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!m_session)
        return m_callback.OnError(DOWNLOAD_ERROR_SILENT);
    m_connection.Reset(InternetConnectA(m_session.Get(), m_host, m_port ? m_port : INTERNET_DEFAULT_HTTP_PORT, nullptr,
                                        nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    if (!m_connection)
        return m_callback.OnError(DOWNLOAD_ERROR_SILENT);

    m_request.Reset(
        HttpOpenRequestA(m_connection.Get(), "GET", m_path, "HTTP/1.0", nullptr, nullptr, REQUEST_FLAGS, 0));
    if (!m_request)
        return Fail(DOWNLOAD_ERROR_REPORTED);
    m_busy = true;
    DWORD total = 0;
    if (!SendRequest() || !QueryStatusOk() || !QueryLength(total)) {
        m_busy = false;
        return Fail(DOWNLOAD_ERROR_REPORTED);
    }

    DWORD present = ExistingSize(m_target, total);
    m_callback.OnStart(total, present);
    present = std::min(present, total);
    if (present > 0 && present < total &&
        InternetSetFilePointer(m_request.Get(), static_cast<LONG>(present), nullptr, FILE_BEGIN, 0) != present) {
        m_busy = false;
        return Fail(DOWNLOAD_ERROR_REPORTED);
    }
    if (!m_file.Open(m_target, CFile::modeWrite | CFile::shareExclusive | CFile::modeCreate | CFile::modeNoTruncate)) {
        m_busy = false;
        return Fail(DOWNLOAD_ERROR_REPORTED);
    }
    Transfer(total, present);
}

bool CHttpDownloadThread::SendRequest()
{
    for (;;) {
        if (HttpSendRequestA(m_request.Get(), nullptr, 0, nullptr, 0))
            return true;
        DWORD error = GetLastError();
        DWORD answer =
            GetInternetEnvironment().ErrorDialog(GetDesktopWindow(), m_request.Get(), error, ERROR_DIALOG_FLAGS);
        if (answer != ERROR_INTERNET_FORCE_RETRY || m_stop)
            return false;
    }
}

bool CHttpDownloadThread::QueryStatusOk()
{
    DWORD status = 0;
    DWORD size = sizeof status;
    return HttpQueryInfoA(m_request.Get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr) &&
           status == HTTP_STATUS_OK;
}

bool CHttpDownloadThread::QueryLength(DWORD& total)
{
    char text[LENGTH_TEXT_SIZE] = {};
    DWORD size = sizeof text;
    if (!HttpQueryInfoA(m_request.Get(), HTTP_QUERY_CONTENT_LENGTH, text, &size, nullptr))
        return false;
    return size < sizeof text && ParseLength(text, size, total);
}

void CHttpDownloadThread::Transfer(DWORD total, DWORD position)
{
    std::vector<char> buffer(BLOCK_SIZE);
    bool success = false;
    bool failed = false;
    while (!m_stop) {
        if (position >= total) {
            success = true;
            break;
        }
        if (!m_run.Wait(1))
            break; // cancelled
        if (m_pause)
            m_resume.Wait(m_pauseMs);
        // Never past the announced end, whatever the server sends after it.
        DWORD wanted = std::min(BLOCK_SIZE, total - position);
        DWORD count = 0;
        if (!InternetReadFile(m_request.Get(), buffer.data(), wanted, &count) || count > wanted) {
            failed = true;
            break;
        }
        if (count == 0)
            break; // the body ended early
        try {
            m_file.Seek(position, CFile::begin);
            m_file.Write(buffer.data(), count);
        } catch (const CFileException&) {
            failed = true;
            break;
        }
        m_callback.OnData(position, count, buffer.data());
        position += count;
    }
    m_busy = false;
    if (success) {
        // A target longer than the answer (left from elsewhere) is cut to the announced bytes.
        try {
            m_file.SetLength(total);
            m_file.Close();
        } catch (const CFileException&) {
            success = false;
            failed = true;
        }
    }
    if (!success) {
        m_file.Abort();
        DeleteFileA(m_target);
    }
    if (failed)
        m_callback.OnError(DOWNLOAD_ERROR_REPORTED);
    m_callback.OnDone(success);
}

void CHttpDownloadThread::Fail(int code)
{
    m_file.Abort();
    DeleteFileA(m_target);
    m_callback.OnError(code);
}
