#include "server/ClientConnection.h"

#include <utility>

#include "infra/os/Poller.h"
#include "messaging/MsgFraming.h"
#include "server/EventLoop.h"
#include "server/ServerLog.h"

namespace TarnixServer {

namespace {

bool WouldBlock(Status status)
{
    return status == ST_TRY_LATER || status == ST_TIMEOUT || status == ST_WOULD_BLOCK;
}

} // namespace

CClientConnection::CClientConnection(std::uint32_t id, STI_OS::SocketHandle socket, CEventLoop& loop,
                                     const SLimits& limits, CServerLog* log)
    : m_id(id), m_socket(socket), m_loop(loop), m_limits(limits), m_log(log)
{}

CClientConnection::~CClientConnection()
{
    CloseSocket();
}

void CClientConnection::CloseSocket()
{
    // The handle is given up either way; a failed close leaves nothing to undo.
    (void)STI_OS::CloseSocket(m_socket);
    m_socket = STI_OS::INVALID_SOCKET_HANDLE;
    m_queue.clear();
    m_queuedBytes = 0;
}

void CClientConnection::Fail(Status reason)
{
    if (m_failed)
        return;
    m_failed = true;
    m_failReason = reason == ST_SUCCESS ? ST_FAIL : reason;
}

void CClientConnection::InstallCodecs(std::unique_ptr<CEncoder> encoder, std::unique_ptr<CDecoder> decoder)
{
    m_encoder = std::move(encoder);
    m_decoder = std::move(decoder);
}

Status CClientConnection::ReadOne(bool& complete)
{
    complete = false;
    for (;;) {
        const std::uint32_t have = m_read.Used;
        std::uint32_t want = 2;
        if (have >= 2) {
            const std::uint16_t length = PeekMessageLength(m_read);
            // Past this the byte stream has lost its message boundaries: nothing after it can be read.
            const Status framing = CheckMessageLength(length);
            if (framing != ST_SUCCESS)
                return framing;
            want = length;
        }
        if (have >= want && have >= 2) {
            complete = true;
            return ST_SUCCESS;
        }
        std::uint32_t count = 0;
        const Status status = STI_OS::Recv(m_socket, m_read.Data + have, want - have, count);
        if (status != ST_SUCCESS)
            return status;
        m_read.Used = have + count;
    }
}

void CClientConnection::OnReadable(IConnectionSink& sink)
{
    for (std::uint32_t n = 0; n < m_limits.MaxMessagesPerRead && !m_failed; ++n) {
        bool complete = false;
        const Status status = ReadOne(complete);
        if (WouldBlock(status))
            return;
        if (status != ST_SUCCESS) {
            Fail(status);
            return;
        }
        const std::uint32_t length = m_read.Used;
        Status taken = m_decoder ? m_decoder->Decode(m_read) : ST_SUCCESS;
        CMsgHeader header;
        if (taken == ST_SUCCESS)
            taken = ReadReceivedHeader(m_read, header);
        if (taken == ST_SUCCESS)
            sink.OnMessage(*this, m_read, header);
        else
            sink.OnDropped(*this, taken, length);
        m_read.Used = 0;
    }
}

void CClientConnection::OnWritable()
{
    const Status status = Flush();
    if (status != ST_SUCCESS && !WouldBlock(status))
        Fail(status);
    UpdateWriteInterest();
}

Status CClientConnection::Send(std::uint16_t command, std::uint32_t sourceClient, CMsgBuffer& message)
{
    if (m_failed || m_socket == STI_OS::INVALID_SOCKET_HANDLE)
        return ST_NOT_CONNECTED;
    CMsgHeader header;
    header.MessageLength = OutgoingMessageLength(message);
    header.SourceAddr = KV2Protocol::ADDR_CLIENT_SERVICE;
    header.DestinationAddr = Address;
    header.Command = command;
    header.SeqNumber = m_sequence++;
    header.SourceClient = sourceClient;
    Status status = WriteMessageHeader(message, header);
    if (status == ST_SUCCESS && m_log && m_log->Tracing())
        m_log->TraceMessage("out", *this, header, message);
    if (status == ST_SUCCESS && m_encoder)
        status = m_encoder->Encode(message);
    if (status != ST_SUCCESS)
        return status;
    if (m_queuedBytes + header.MessageLength > m_limits.MaxQueuedBytes) {
        // Dropping one message would put an encoded stream out of step: the connection goes.
        Fail(ST_QUEUE_FULL);
        return ST_QUEUE_FULL;
    }
    m_queue.emplace_back(message.Data, message.Data + header.MessageLength);
    m_queuedBytes += header.MessageLength;
    status = Flush();
    if (status != ST_SUCCESS && !WouldBlock(status)) {
        Fail(status);
        return status;
    }
    UpdateWriteInterest();
    return ST_SUCCESS;
}

Status CClientConnection::Flush()
{
    while (!m_queue.empty()) {
        const std::vector<std::uint8_t>& front = m_queue.front();
        std::uint32_t sent = 0;
        const Status status = STI_OS::Send(m_socket, front.data() + m_frontSent,
                                           static_cast<std::uint32_t>(front.size() - m_frontSent), sent);
        if (status != ST_SUCCESS)
            return status;
        m_frontSent += sent;
        if (m_frontSent < front.size())
            return ST_TRY_LATER;
        m_queuedBytes -= static_cast<std::uint32_t>(front.size());
        m_queue.pop_front();
        m_frontSent = 0;
    }
    return ST_SUCCESS;
}

void CClientConnection::UpdateWriteInterest()
{
    const bool want = !m_failed && !m_queue.empty();
    if (want == m_writeInterest)
        return;
    // A refusal (the poller's write set full) is asked again at the next update; marked as
    // set, the queue would wait for a write event that never comes.
    if (m_loop.SetInterest(m_socket, want ? (STI_OS::POLL_READ | STI_OS::POLL_WRITE) : STI_OS::POLL_READ) == ST_SUCCESS)
        m_writeInterest = want;
}

} // namespace TarnixServer
