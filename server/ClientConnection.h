#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "infra/Status.h"
#include "infra/os/Socket.h"
#include "messaging/MsgBuffer.h"
#include "messaging/MsgCodec.h"
#include "messaging/MsgHeader.h"
#include "server/ClientId.h"

namespace TarnixServer {

class CClientConnection;
class CEventLoop;
class CServerLog;

// What a connection reports while it reads.
class IConnectionSink {
public:
    virtual ~IConnectionSink() = default;
    // A whole message, decoded, header read. The sink may send on any connection and may mark
    // this one failed.
    virtual void OnMessage(CClientConnection& connection, CMsgBuffer& message, const CMsgHeader& header) = 0;
    // A framed message that could not be taken (bad checksum, shorter than a header); the
    // connection carries on with the next one.
    virtual void OnDropped(CClientConnection& connection, Status reason, std::uint32_t length) = 0;
};

// One client's TCP connection: message framing, the codec once keyed, and a bounded queue of
// outgoing bytes. Owns its socket. It registers nothing itself; its owner adds the socket to the
// loop and the connection only changes its write interest.
//
// A connection that fails (peer gone, stream out of sync, queue over its limit) marks itself
// failed and sends nothing more; the owner closes it.
class CClientConnection {
public:
    struct SLimits {
        std::uint32_t MaxQueuedBytes = 256 * 1024;
        std::uint32_t MaxMessagesPerRead = 50;
    };

    // The log, when given, traces every message sent (before it is encoded).
    CClientConnection(std::uint32_t id, STI_OS::SocketHandle socket, CEventLoop& loop, const SLimits& limits,
                      CServerLog* log = nullptr);
    ~CClientConnection();
    CClientConnection(const CClientConnection&) = delete;
    CClientConnection& operator=(const CClientConnection&) = delete;

    std::uint32_t Id() const { return m_id; }
    STI_OS::SocketHandle Socket() const { return m_socket; }

    // Reads up to the limit of messages that have arrived, handing each to the sink.
    void OnReadable(IConnectionSink& sink);
    void OnWritable();

    // Fills the header (length, the connection's address as destination, sequence number), encodes
    // when keyed and queues the message. A failed connection drops it: ST_NOT_CONNECTED.
    Status Send(std::uint16_t command, std::uint32_t sourceClient, CMsgBuffer& message);

    // From the next message on, both directions are encoded.
    void InstallCodecs(std::unique_ptr<CEncoder> encoder, std::unique_ptr<CDecoder> decoder);
    bool Keyed() const { return m_encoder != nullptr; }

    bool Failed() const { return m_failed; }
    Status FailReason() const { return m_failReason; }
    void Fail(Status reason);
    // Closes the socket; the owner has taken it out of the loop first.
    void CloseSocket();

    std::uint32_t QueuedBytes() const { return m_queuedBytes; }

    // Who is on the other end.
    std::uint32_t PeerAddress = 0;
    std::uint16_t PeerPort = 0;
    std::uint32_t LocalAddress = 0; // as the client reached us
    std::uint64_t ConnectedAt = 0;  // STI_OS::GetClock() ms
    std::uint64_t LastHeard = 0;

    // Log-in state.
    bool LoggedIn = false;
    std::uint32_t Address = 0; // messaging address, 0 until logged in
    ClientId UserId{};

private:
    Status ReadOne(bool& complete);
    Status Flush();
    void UpdateWriteInterest();

    const std::uint32_t m_id;
    STI_OS::SocketHandle m_socket;
    CEventLoop& m_loop;
    const SLimits m_limits;
    CServerLog* const m_log;

    CMsgBuffer m_read; // the message being assembled; Used counts bytes in
    std::unique_ptr<CEncoder> m_encoder;
    std::unique_ptr<CDecoder> m_decoder;

    std::deque<std::vector<std::uint8_t>> m_queue;
    std::size_t m_frontSent = 0; // bytes of the front entry already sent
    std::uint32_t m_queuedBytes = 0;
    bool m_writeInterest = false;
    std::uint32_t m_sequence = 0;

    bool m_failed = false;
    Status m_failReason = ST_SUCCESS;
};

} // namespace TarnixServer
