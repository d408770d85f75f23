#include "support/TransportManagerTestSupport.h"

#include "infra/os/Clock.h"

#include <gtest/gtest.h>

#include <thread>

namespace tm_test {

namespace {

constexpr std::uint32_t LOOPBACK = 0x7F000001;

} // namespace

std::atomic<int> g_closeSequence{0};

bool WaitFor(const std::function<bool()>& condition, int milliseconds)
{
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    while (!condition()) {
        if (Clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// --- outlet ----------------------------------------------------------------------------

bool CRecordingOutlet::SendSessionRequest(const std::uint8_t peerId[TRANSFER_ID_SIZE],
                                          const std::uint8_t fileId[TRANSFER_ID_SIZE])
{
    Add(SCommand{29, Clock::now(), 0, 0, transfer_test::Hex(fileId, TRANSFER_ID_SIZE),
                 transfer_test::Hex(peerId, TRANSFER_ID_SIZE)});
    return true;
}

bool CRecordingOutlet::SendConnectRequest(std::uint32_t ticket, std::uint32_t sessionHandle)
{
    Add(SCommand{4, Clock::now(), ticket, sessionHandle, std::string(), std::string()});
    return true;
}

void CRecordingOutlet::Add(const SCommand& command)
{
    std::function<void(const SCommand&)> hook;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_commands.push_back(command);
        hook = onCommand;
    }
    if (hook) {
        hook(command);
    }
}

std::vector<SCommand> CRecordingOutlet::Commands() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_commands;
}

std::vector<SCommand> CRecordingOutlet::Commands(int command) const
{
    std::vector<SCommand> chosen;
    for (const SCommand& entry : Commands()) {
        if (entry.command == command) {
            chosen.push_back(entry);
        }
    }
    return chosen;
}

// --- records ---------------------------------------------------------------------------

#define LOCKED(call)                                                                                                   \
    std::lock_guard<std::mutex> lock(mutex);                                                                           \
    return call

void CSharedDownload::OnConnected(const std::uint32_t* ticket)
{
    LOCKED(CMemoryDownload::OnConnected(ticket));
}
void CSharedDownload::OnClosed(int by, std::uint32_t reason)
{
    std::lock_guard<std::mutex> lock(mutex);
    closeSequence = g_closeSequence++;
    CMemoryDownload::OnClosed(by, reason);
}
void CSharedDownload::SetSessionStatus(int status)
{
    LOCKED(CMemoryDownload::SetSessionStatus(status));
}
std::uint32_t CSharedDownload::AddRef()
{
    LOCKED(CMemoryDownload::AddRef());
}
void CSharedDownload::Release()
{
    LOCKED(CMemoryDownload::Release());
}
void CSharedDownload::OnFileInfo(const std::uint8_t fileId[TRANSFER_ID_SIZE], const TransferFileList& list)
{
    LOCKED(CMemoryDownload::OnFileInfo(fileId, list));
}
Status CSharedDownload::OnRangeEnd()
{
    LOCKED(CMemoryDownload::OnRangeEnd());
}
void CSharedDownload::OnBlock(std::uint32_t offsetLow, std::uint32_t offsetHigh, std::uint32_t length,
                              const std::uint8_t* data)
{
    LOCKED(CMemoryDownload::OnBlock(offsetLow, offsetHigh, length, data));
}
void CSharedDownload::OnNotice(int value)
{
    LOCKED(CMemoryDownload::OnNotice(value));
}
Status CSharedDownload::GetNextRange(std::uint64_t* start, std::uint64_t* end)
{
    LOCKED(CMemoryDownload::GetNextRange(start, end));
}
int CSharedDownload::LastStatus()
{
    return With([](CSharedDownload& self) { return self.statuses.empty() ? -1 : self.statuses.back(); });
}
std::vector<std::string> CSharedDownload::Log()
{
    return With([](CSharedDownload& self) { return self.log; });
}

void CSharedUpload::OnConnected(const std::uint32_t* ticket)
{
    LOCKED(CMemoryUpload::OnConnected(ticket));
}
void CSharedUpload::OnClosed(int by, std::uint32_t reason)
{
    std::lock_guard<std::mutex> lock(mutex);
    closeSequence = g_closeSequence++;
    CMemoryUpload::OnClosed(by, reason);
}
void CSharedUpload::SetSessionStatus(int status)
{
    LOCKED(CMemoryUpload::SetSessionStatus(status));
}
std::uint32_t CSharedUpload::AddRef()
{
    LOCKED(CMemoryUpload::AddRef());
}
void CSharedUpload::Release()
{
    LOCKED(CMemoryUpload::Release());
}
Status CSharedUpload::OpenFile(const std::uint8_t fileId[TRANSFER_ID_SIZE], TransferFileList& entries)
{
    LOCKED(CMemoryUpload::OpenFile(fileId, entries));
}
Status CSharedUpload::ReadChunk(std::uint32_t offsetLow, std::uint32_t offsetHigh, std::uint32_t maxLength,
                                std::uint8_t* buffer, std::uint32_t* length)
{
    LOCKED(CMemoryUpload::ReadChunk(offsetLow, offsetHigh, maxLength, buffer, length));
}
int CSharedUpload::LastStatus()
{
    return With([](CSharedUpload& self) { return self.statuses.empty() ? -1 : self.statuses.back(); });
}
std::vector<std::string> CSharedUpload::Log()
{
    return With([](CSharedUpload& self) { return self.log; });
}

#undef LOCKED

bool Released(CSharedDownload& record)
{
    return record.With([](CSharedDownload& r) { return r.released; });
}

bool Released(CSharedUpload& record)
{
    return record.With([](CSharedUpload& r) { return r.released; });
}

// --- Ant stand-in ----------------------------------------------------------------------

CDirectSessions::CDirectSessions()
{
    std::uint32_t address = 0;
    std::uint16_t port = 0;
    if (STI_OS::CreateTCPSocket(m_listener) != ST_SUCCESS || STI_OS::Bind(m_listener, LOOPBACK, 0) != ST_SUCCESS ||
        STI_OS::GetSockName(m_listener, address, port) != ST_SUCCESS || STI_OS::Listen(m_listener, 16) != ST_SUCCESS) {
        ADD_FAILURE() << "no loopback listener";
        return;
    }
    EXPECT_EQ(ST_SUCCESS, STI_OS::SetNonBlocking(m_listener, true));
    m_endpoint = CIPEndpoint(CIPAddress(LOOPBACK), port);
}

CDirectSessions::~CDirectSessions()
{
    EXPECT_EQ(ST_SUCCESS, STI_OS::CloseSocket(m_listener));
}

void CDirectSessions::SetAntThread(CAntThread* thread)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_thread = thread;
}

Status CDirectSessions::CreateSession(STI_OS::SocketHandle descriptor, std::uint32_t serial, std::uint32_t peerId,
                                      std::uint32_t keyLow, std::uint32_t keyHigh, CAntSession*& session)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_connects.push_back(SAntConnect{descriptor, serial, peerId, keyLow, keyHigh});
    // The index stands in for the session.
    session = reinterpret_cast<CAntSession*>(m_connects.size());
    return ST_SUCCESS;
}

Status CDirectSessions::StartSession(CAntSession* session)
{
    SAntConnect connect;
    CAntThread* thread = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        connect = m_connects[reinterpret_cast<std::size_t>(session) - 1];
        if (m_holding) {
            m_held.push_back(connect);
            return ST_SUCCESS;
        }
        thread = m_thread;
    }
    return thread != nullptr ? thread->ConnectUserSocket(connect.descriptor, connect.serial, m_endpoint)
                             : ST_NOT_CONNECTED;
}

STI_OS::SocketHandle CDirectSessions::Accept(int milliseconds)
{
    STI_OS::SocketHandle accepted = STI_OS::INVALID_SOCKET_HANDLE;
    WaitFor([&] { return STI_OS::Accept(m_listener, accepted) == ST_SUCCESS; }, milliseconds);
    if (accepted != STI_OS::INVALID_SOCKET_HANDLE) {
        EXPECT_EQ(ST_SUCCESS, STI_OS::SetNonBlocking(accepted, true));
    }
    return accepted;
}

std::vector<SAntConnect> CDirectSessions::Connects() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_connects;
}

void CDirectSessions::SetHolding(bool holding)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_holding = holding;
}

void CDirectSessions::ConnectHeld()
{
    std::vector<SAntConnect> held;
    CAntThread* thread = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        held.swap(m_held);
        thread = m_thread;
    }
    for (const SAntConnect& connect : held) {
        if (thread != nullptr) {
            // A socket whose owner gave up meanwhile is not connected (ST_CONNECTION_CLOSED).
            const Status connected = thread->ConnectUserSocket(connect.descriptor, connect.serial, m_endpoint);
            EXPECT_TRUE(connected == ST_SUCCESS || connected == ST_IN_PROGRESS || connected == ST_CONNECTION_CLOSED)
                << StatusText(connected);
        }
    }
}

CDirectAnt::CDirectAnt() : thread(sessions), ant(&thread)
{
    EXPECT_EQ(ST_SUCCESS, ant.AntStart("localhost", 1864, 0, false));
}

} // namespace tm_test
