#pragma once
// Test doubles for the transport manager: an outlet that records the server commands with
// their times, transfer records safe to call from the transport-manager thread, and an Ant
// transport whose session layer is a stand-in that connects every Ant socket straight to a
// loopback listener of the test (no datagrams at all).

#include "infra/IPAddress.h"
#include "infra/os/Socket.h"
#include "support/TransferTestSupport.h"
#include "transport/ant/Ant.h"
#include "transport/ant/AntSessionManagerInterface.h"
#include "transport/ant/AntThread.h"
#include "transport/transfer/TransportManagerOutlet.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace tm_test {

using Clock = std::chrono::steady_clock;
using transfer_test::Bytes;

// Polls the condition every few milliseconds (false after about the time given).
bool WaitFor(const std::function<bool()>& condition, int milliseconds = 20000);

struct SCommand {
    int command; // 29 or 4
    Clock::time_point at;
    std::uint32_t ticket;
    std::uint32_t handle;
    std::string fileId; // hex
    std::string peerId; // hex
};

class CRecordingOutlet : public ITransportManagerOutlet {
public:
    bool SendSessionRequest(const std::uint8_t peerId[TRANSFER_ID_SIZE],
                            const std::uint8_t fileId[TRANSFER_ID_SIZE]) override;
    bool SendConnectRequest(std::uint32_t ticket, std::uint32_t sessionHandle) override;

    std::vector<SCommand> Commands() const;
    std::vector<SCommand> Commands(int command) const;
    int Count(int command) const { return static_cast<int>(Commands(command).size()); }

    // Runs on the thread that sends, after the command is recorded.
    std::function<void(const SCommand&)> onCommand;

private:
    void Add(const SCommand& command);

    mutable std::mutex m_mutex;
    std::vector<SCommand> m_commands;
};

// One order for every close heard by the records of a test.
extern std::atomic<int> g_closeSequence;

// The memory-backed records of TransferTestSupport behind a lock. Read them through With.
class CSharedDownload : public transfer_test::CMemoryDownload {
public:
    void OnConnected(const std::uint32_t* ticket) override;
    void OnClosed(int by, std::uint32_t reason) override;
    void SetSessionStatus(int status) override;
    std::uint32_t AddRef() override;
    void Release() override;
    void OnFileInfo(const std::uint8_t fileId[TRANSFER_ID_SIZE], const TransferFileList& entries) override;
    Status OnRangeEnd() override;
    void OnBlock(std::uint32_t offsetLow, std::uint32_t offsetHigh, std::uint32_t length,
                 const std::uint8_t* data) override;
    void OnNotice(int value) override;
    Status GetNextRange(std::uint64_t* start, std::uint64_t* end) override;

    template <class F>
    auto With(F f) -> decltype(f(*this))
    {
        std::lock_guard<std::mutex> lock(mutex);
        return f(*this);
    }
    int LastStatus();
    std::vector<std::string> Log();

    std::mutex mutex;
    int closeSequence = -1;
};

class CSharedUpload : public transfer_test::CMemoryUpload {
public:
    explicit CSharedUpload(Bytes content = Bytes()) : CMemoryUpload(std::move(content)) {}

    void OnConnected(const std::uint32_t* ticket) override;
    void OnClosed(int by, std::uint32_t reason) override;
    void SetSessionStatus(int status) override;
    std::uint32_t AddRef() override;
    void Release() override;
    Status OpenFile(const std::uint8_t fileId[TRANSFER_ID_SIZE], TransferFileList& entries) override;
    Status ReadChunk(std::uint32_t offsetLow, std::uint32_t offsetHigh, std::uint32_t maxLength, std::uint8_t* buffer,
                     std::uint32_t* length) override;

    template <class F>
    auto With(F f) -> decltype(f(*this))
    {
        std::lock_guard<std::mutex> lock(mutex);
        return f(*this);
    }
    int LastStatus();
    std::vector<std::string> Log();

    std::mutex mutex;
    int closeSequence = -1;
};

// The engine let the record go.
// A callback as posters hand it over: holding the message's reference, which the transport
// manager gives back once its session holds its own.
template <class T>
T* WithMessageReference(T* callback)
{
    callback->AddRef();
    return callback;
}

bool Released(CSharedDownload& record);
bool Released(CSharedUpload& record);

struct SAntConnect {
    STI_OS::SocketHandle descriptor;
    std::uint32_t serial;
    std::uint32_t peerId;
    std::uint32_t keyLow;
    std::uint32_t keyHigh;
};

// The session layer stand-in: every started session connects its user socket to the
// listener at once (unless holding), so the accepted socket is the peer's end.
class CDirectSessions : public IAntSessionManager {
public:
    CDirectSessions();
    ~CDirectSessions() override;

    void SetAntThread(CAntThread* thread) override;
    void SetUDPHandler(CAntUDPSockHandler*) override {}
    void SetAdvertiseLocalAddress(bool) override {}
    Status CreateSession(STI_OS::SocketHandle descriptor, std::uint32_t serial, std::uint32_t peerId,
                         std::uint32_t keyLow, std::uint32_t keyHigh, CAntSession*& session) override;
    Status StartSession(CAntSession* session) override;
    Status OnDatagram(SAntPacket&, const CIPEndpoint&) override { return ST_SUCCESS; }
    Status OnUnreachable(const CIPEndpoint&) override { return ST_NOT_FOUND; }
    Status OnWritable() override { return ST_NO_MORE_DATA; }
    Status OnSessionTimer(std::uint16_t, std::uint16_t) override { return ST_NOT_FOUND; }
    std::size_t GetSessionCount() const override { return 0; }
    void CloseAllBackends() override {}
    void DestroyAllSessions() override {}

    // The next connection that reached the listener, blocking (INVALID_SOCKET_HANDLE after
    // about the time given). The caller owns it.
    STI_OS::SocketHandle Accept(int milliseconds = 20000);
    std::vector<SAntConnect> Connects() const;
    // While holding, started sessions leave their sockets unconnected.
    void SetHolding(bool holding);
    // Connects the sockets held so far, as the Ant thread would once their sessions stand.
    void ConnectHeld();

private:
    mutable std::mutex m_mutex;
    CAntThread* m_thread = nullptr;
    std::vector<SAntConnect> m_connects;
    bool m_holding = false;
    std::vector<SAntConnect> m_held;
    STI_OS::SocketHandle m_listener = STI_OS::INVALID_SOCKET_HANDLE;
    CIPEndpoint m_endpoint;
};

// A started Ant transport over the stand-in. Declared members stop in the right order.
class CDirectAnt {
public:
    CDirectAnt();

    CDirectSessions sessions;
    CAntThread thread;
    CAnt ant;
};

} // namespace tm_test
