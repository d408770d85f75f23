#include "support/ServerRunner.h"

#include <atomic>
#include <filesystem>
#include <iostream>
#include <random>
#include <system_error>

std::string CLockedLog::Text() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_text;
}

int CLockedLog::overflow(int c)
{
    if (c != traits_type::eof()) {
        std::lock_guard<std::mutex> guard(m_lock);
        m_text += static_cast<char>(c);
    }
    return traits_type::not_eof(c);
}

std::streamsize CLockedLog::xsputn(const char* text, std::streamsize count)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_text.append(text, static_cast<std::size_t>(count));
    return count;
}

std::string MakeScratchFolder(const std::string& prefix)
{
    static std::atomic<unsigned> counter{0};
    std::random_device device;
    std::error_code error;
    const std::filesystem::path base = std::filesystem::temp_directory_path(error);
    for (;;) {
        const std::filesystem::path folder =
            base / (prefix + "-" + std::to_string(device()) + "-" + std::to_string(++counter));
        if (std::filesystem::create_directory(folder, error))
            return folder.string();
    }
}

CServerRunner::CServerRunner(const Adjust& adjust) : m_log(&m_logBuffer)
{
    m_folder = MakeScratchFolder("tarnix-server-test");
    m_options.ListenPort = 0;
    m_options.OutboxFolder = (std::filesystem::path(m_folder) / "outbox").string();
    m_options.ReportLogPath = (std::filesystem::path(m_folder) / "reports.log").string();
    if (adjust)
        adjust(m_options);
    m_server.reset(new TarnixServer::CServer(m_options, m_log, [this] {
        const std::uint64_t heldAt = m_clockHeldAt;
        return (heldAt != 0 ? heldAt : STI_OS::GetClock()) + m_clockOffset;
    }));
    if (m_server->Open() != ST_SUCCESS) {
        std::cerr << "test server did not start:\n" << LogText();
        return;
    }
    m_port = m_server->ListenPort();
    m_started = true;
    m_thread = std::thread([this] { (void)m_server->Run(); }); // ends with Stop; its log tells the rest
}

bool CServerRunner::WaitForSizes(const std::function<bool(const TarnixServer::CServer::STableSizes&)>& condition,
                                 std::uint32_t milliseconds) const
{
    const std::uint64_t deadline = STI_OS::GetClock() + milliseconds;
    for (;;) {
        if (condition(TableSizes()))
            return true;
        if (STI_OS::GetClock() >= deadline)
            return false;
        STI_OS::Sleep(10);
    }
}

void CServerRunner::Stop()
{
    if (m_thread.joinable()) {
        m_server->Stop();
        m_thread.join();
    }
}

CServerRunner::~CServerRunner()
{
    Stop();
    m_server.reset();
    std::error_code error;
    std::filesystem::remove_all(m_folder, error);
}
