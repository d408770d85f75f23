#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <ostream>
#include <streambuf>
#include <string>
#include <thread>

#include "infra/os/Clock.h"
#include "server/Server.h"
#include "server/ServerOptions.h"

// A log the server thread writes while the test reads it.
class CLockedLog : public std::streambuf {
public:
    std::string Text() const;

protected:
    int overflow(int c) override;
    std::streamsize xsputn(const char* text, std::streamsize count) override;

private:
    mutable std::mutex m_lock;
    std::string m_text;
};

// A server of its own for one test: a free port, a scratch folder for the outbox and the report
// log, the loop on a thread, and a clock the test can move on. Stopped and cleaned up on
// destruction.
class CServerRunner {
public:
    using Adjust = std::function<void(TarnixServer::SServerOptions&)>;

    explicit CServerRunner(const Adjust& adjust = Adjust());
    ~CServerRunner();
    CServerRunner(const CServerRunner&) = delete;
    CServerRunner& operator=(const CServerRunner&) = delete;

    bool Started() const { return m_started; }
    std::uint16_t Port() const { return m_port; }
    const TarnixServer::SServerOptions& Options() const { return m_options; }
    const std::string& Folder() const { return m_folder; }
    std::string LogText() const { return m_logBuffer.Text(); }
    TarnixServer::CServer::STableSizes TableSizes() const { return m_server->TableSizes(); }
    // The server's clock stands still from now on, so that a slow machine changes nothing, and
    // moves only by AdvanceClock, which moves it on whether it stands or runs.
    void HoldClock() { m_clockHeldAt = STI_OS::GetClock(); }
    void AdvanceClock(std::uint64_t milliseconds) { m_clockOffset += milliseconds; }
    // Whether the condition on the table sizes holds within the time (it is checked every 10 ms).
    bool WaitForSizes(const std::function<bool(const TarnixServer::CServer::STableSizes&)>& condition,
                      std::uint32_t milliseconds = 5000) const;

    // Stops the loop and waits for it; the destructor does it too.
    void Stop();

private:
    TarnixServer::SServerOptions m_options;
    std::string m_folder;
    CLockedLog m_logBuffer;
    std::ostream m_log;
    std::atomic<std::uint64_t> m_clockHeldAt{0}; // 0: running
    std::atomic<std::uint64_t> m_clockOffset{0};
    std::unique_ptr<TarnixServer::CServer> m_server;
    std::thread m_thread;
    std::uint16_t m_port = 0;
    bool m_started = false;
};

// A fresh empty folder under the system's temporary folder.
std::string MakeScratchFolder(const std::string& prefix);
