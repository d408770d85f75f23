#pragma once
// A scripted HTTP responder for the download tests: a thread of the test process listening on
// 127.0.0.1 (a port of its own), answering every connection with the same answer.

#include <winsock2.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct SHttpAnswer {
    std::string head; // status line and headers, the blank line included
    std::string body;
    size_t chunk = 0;       // bytes per send; 0 sends the body at once
    DWORD chunkDelayMs = 0; // pause before each chunk
    bool silent = false;    // read the request, then never answer
};

// "HTTP/1.0 <status>\r\n" with a Content-Length header of the given text ("" for none).
std::string HttpHead(const char* status, const std::string& contentLength);

class CHttpResponder {
public:
    explicit CHttpResponder(SHttpAnswer answer);
    ~CHttpResponder(); // closes every socket and joins the thread

    unsigned short Port() const { return m_port; }
    // The request lines ("GET /path HTTP/1.0") received so far.
    std::vector<std::string> Requests() const;
    bool WaitForRequest(DWORD milliseconds) const;

private:
    void Run();
    void Serve(SOCKET connection);
    bool SendAll(SOCKET connection, const char* data, size_t size);

    SHttpAnswer m_answer;
    SOCKET m_listener = INVALID_SOCKET;
    unsigned short m_port = 0;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_lock;
    mutable std::condition_variable m_changed;
    std::vector<std::string> m_requests;
    std::thread m_thread;
};
