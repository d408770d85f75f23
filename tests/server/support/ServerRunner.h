#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <ostream>
#include <streambuf>
#include <string>
#include <thread>

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
// log, the loop on a thread. Stopped and cleaned up on destruction.
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

    // Stops the loop and waits for it; the destructor does it too.
    void Stop();

private:
    TarnixServer::SServerOptions m_options;
    std::string m_folder;
    CLockedLog m_logBuffer;
    std::ostream m_log;
    std::unique_ptr<TarnixServer::CServer> m_server;
    std::thread m_thread;
    std::uint16_t m_port = 0;
    bool m_started = false;
};

// A fresh empty folder under the system's temporary folder.
std::string MakeScratchFolder(const std::string& prefix);
