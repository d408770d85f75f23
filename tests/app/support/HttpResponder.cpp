#include "support/HttpResponder.h"

#include <chrono>

namespace {

// Waits up to 50 ms for the socket to become readable or writable.
bool Ready(SOCKET socket, bool write)
{
    fd_set set;
    FD_ZERO(&set);
    FD_SET(socket, &set);
    timeval wait{0, 50000};
    return select(0, write ? nullptr : &set, write ? &set : nullptr, nullptr, &wait) > 0;
}

} // namespace

std::string HttpHead(const char* status, const std::string& contentLength)
{
    std::string head = std::string("HTTP/1.0 ") + status + "\r\nServer: test\r\n";
    if (!contentLength.empty())
        head += "Content-Length: " + contentLength + "\r\n";
    return head + "\r\n";
}

CHttpResponder::CHttpResponder(SHttpAnswer answer) : m_answer(std::move(answer))
{
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    m_listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(m_listener, 8);
    int size = sizeof address;
    getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &size);
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { Run(); });
}

CHttpResponder::~CHttpResponder()
{
    m_stop = true;
    m_thread.join();
    closesocket(m_listener);
    WSACleanup();
}

std::vector<std::string> CHttpResponder::Requests() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_requests;
}

bool CHttpResponder::WaitForRequest(DWORD milliseconds) const
{
    std::unique_lock<std::mutex> guard(m_lock);
    return m_changed.wait_for(guard, std::chrono::milliseconds(milliseconds), [this] { return !m_requests.empty(); });
}

void CHttpResponder::Run()
{
    while (!m_stop) {
        if (!Ready(m_listener, false))
            continue;
        SOCKET connection = accept(m_listener, nullptr, nullptr);
        if (connection == INVALID_SOCKET)
            continue;
        Serve(connection);
        shutdown(connection, SD_SEND);
        closesocket(connection);
    }
}

void CHttpResponder::Serve(SOCKET connection)
{
    std::string request;
    while (!m_stop && request.find("\r\n\r\n") == std::string::npos) {
        if (!Ready(connection, false))
            continue;
        char buffer[1024];
        int got = recv(connection, buffer, sizeof buffer, 0);
        if (got <= 0)
            return;
        request.append(buffer, static_cast<size_t>(got));
    }
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_requests.push_back(request.substr(0, request.find("\r\n")));
    }
    m_changed.notify_all();
    if (m_answer.silent) {
        while (!m_stop)
            Sleep(20);
        return;
    }
    if (!SendAll(connection, m_answer.head.data(), m_answer.head.size()))
        return;
    size_t chunk = m_answer.chunk ? m_answer.chunk : m_answer.body.size();
    for (size_t sent = 0; sent < m_answer.body.size() && !m_stop; sent += chunk) {
        if (m_answer.chunkDelayMs)
            Sleep(m_answer.chunkDelayMs);
        size_t size = std::min(chunk, m_answer.body.size() - sent);
        if (!SendAll(connection, m_answer.body.data() + sent, size))
            return;
    }
}

bool CHttpResponder::SendAll(SOCKET connection, const char* data, size_t size)
{
    while (size > 0) {
        if (m_stop)
            return false;
        if (!Ready(connection, true))
            continue;
        int sent = send(connection, data, static_cast<int>(std::min<size_t>(size, 65536)), 0);
        if (sent <= 0)
            return false;
        data += sent;
        size -= static_cast<size_t>(sent);
    }
    return true;
}
