#pragma once
// Shared by the connection tests: one end of a loopback pair made a messaging connection of a
// communicator, the other end driven with raw bytes; a handler that leaves a probe behind when
// the dispatcher deletes it; a recording command handler; a socket and an allocator to steer.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "infra/TCPSocket.h"
#include "infra/os/Socket.h"
#include "messaging/CommandHandler.h"
#include "messaging/Communicator.h"
#include "messaging/KV2SockHandler.h"

namespace msgtest {

using Bytes = std::vector<std::uint8_t>;

// Runs rounds of this thread's dispatcher until done() holds; false when 5 s went by first.
bool Pump(const std::function<bool()>& done);
// Header (MessageLength = 24 + body) and body, as they travel in clear.
Bytes WireMessage(std::uint16_t command, const Bytes& body = Bytes(), std::uint32_t seq = 0);
Bytes Join(const std::vector<Bytes>& parts);

// The peer's end of the pair, non-blocking; every call gives up after 5 s.
class CRawPeer {
public:
    explicit CRawPeer(STI_OS::SocketHandle handle);
    ~CRawPeer();
    Status SendBytes(const Bytes& bytes);
    Status ReceiveBytes(std::size_t count, Bytes& bytes);
    Status ReceiveMessage(CMsgHeader& header, Bytes& body);
    // What arrives within the time.
    std::size_t Pending(std::uint32_t milliseconds);

private:
    STI_OS::SocketHandle m_handle;
};

// Outlives the handler; it is the service's connection-closed sink too.
struct SProbe : public KV2Service::IConnectionClosedSink {
    void OnConnectionClosed() override { ++ClosedCount; }
    int ClosedCount = 0;
    int ErrorCount = 0;
    Status ErrorCode = ST_SUCCESS;
    int DetachReason = -1;
    bool Removed = false;
};

class CProbeHandler : public KV2Service::CKV2SockHandler {
public:
    CProbeHandler(SProbe& probe, CCommunicator& communicator);
    using KV2Service::CKV2SockHandler::OnDetach;
    using KV2Service::CKV2SockHandler::OnError;
    using KV2Service::CKV2SockHandler::OnRemoved;
    Status OnError(sti::IRWPollableObject* object, Status code) override;
    Status OnDetach(sti::IRWPollableObject* object, int reason) override;
    Status OnRemoved(sti::IRWPollableObject* object) override;

private:
    SProbe& m_probe;
};

// Records each message; answers Result, or what OnCommand answers when set.
class CRecordingCommands : public CCommandHandler {
public:
    struct SRecord {
        CMsgHeader Header;
        Bytes Body;
    };
    Status HandleCommand(const SMsgConnectionContext& from, const CMsgHeader& header, CMsgStream& body) override;

    std::vector<SRecord> Records;
    Status Result = ST_SUCCESS;
    std::function<Status(const SMsgConnectionContext&, const CMsgHeader&, CMsgStream&)> OnCommand;
};

// Takes only Budget more bytes (-1: no limit), then would block.
class CThrottledSocket : public sti::CTCPSocket {
public:
    Status Write(std::uint32_t length, const void* data, std::uint32_t& count) override;
    std::atomic<std::int64_t> Budget{-1};
};

// A limit and a use that the test sets; Live counts the buffers out.
class CSteeredAllocator : public CMsgBufferAllocator {
public:
    Status Allocate(Buffer*& out) override;
    std::uint32_t Capacity() const override { return CapacityValue; }
    std::uint32_t InUse() const override { return InUseValue; }
    std::uint32_t CapacityValue = UNLIMITED;
    std::uint32_t InUseValue = UNLIMITED;
    int Live = 0;

protected:
    void Free(Buffer* buffer) override;
};

// Closing (also on destruction) closes the connection if it is open and runs the dispatcher
// until its handler is gone.
class CTestConnection {
public:
    CTestConnection() = default;
    ~CTestConnection() { Close(); }
    CTestConnection(const CTestConnection&) = delete;
    CTestConnection& operator=(const CTestConnection&) = delete;

    // A new pair; the idle interval is set before the handler is attached.
    Status Open(CCommunicator& communicator, sti::CTCPSocket* socket = nullptr, std::int32_t idleInterval = 0);
    // Over a handle of the caller's (taken over), without a raw peer.
    Status Attach(CCommunicator& communicator, STI_OS::SocketHandle handle, sti::CTCPSocket* socket = nullptr,
                  std::int32_t idleInterval = 0);
    void Close();

    CRawPeer& Peer() { return *m_peer; }
    void ClosePeer() { m_peer.reset(); }
    // Null once the dispatcher has deleted them.
    CProbeHandler* Handler() { return Probe.Removed ? nullptr : m_handler; }
    sti::CTCPSocket* Socket() { return Probe.Removed ? nullptr : m_socket; }
    bool IsOpen() const { return !Probe.Removed && m_socket && !m_socket->IsClosed(); }

    SProbe Probe;

private:
    std::unique_ptr<CRawPeer> m_peer;
    CProbeHandler* m_handler = nullptr; // owned by the dispatcher with the socket
    sti::CTCPSocket* m_socket = nullptr;
};

} // namespace msgtest
