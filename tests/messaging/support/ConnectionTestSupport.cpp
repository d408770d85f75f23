#include "support/ConnectionTestSupport.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <new>

#include "infra/Dispatcher.h"
#include "infra/os/Clock.h"
#include "messaging/MsgFraming.h"

namespace msgtest {

namespace {

constexpr std::uint32_t WAIT_MS = 5000;

// Runs step until it has moved all bytes; step answers the status and the count it moved.
template <class Step>
Status Transfer(std::size_t total, Step step)
{
    const std::uint64_t deadline = STI_OS::GetClock() + WAIT_MS;
    std::size_t done = 0;
    while (done < total) {
        std::uint32_t count = 0;
        const Status status = step(done, static_cast<std::uint32_t>(total - done), count);
        if (status != ST_SUCCESS && status != ST_TRY_LATER && status != ST_WOULD_BLOCK)
            return status;
        done += count;
        if (count == 0 && STI_OS::GetClock() > deadline)
            return ST_TIMEOUT;
        if (count == 0)
            STI_OS::Sleep(1);
    }
    return ST_SUCCESS;
}

} // namespace

bool Pump(const std::function<bool()>& done)
{
    const std::uint64_t deadline = STI_OS::GetClock() + WAIT_MS;
    while (!done()) {
        if (STI_OS::GetClock() > deadline)
            return false;
        EXPECT_EQ(ST_SUCCESS, sti::CDispatcher::Instance()->Run(10));
    }
    return true;
}

Bytes WireMessage(std::uint16_t command, const Bytes& body, std::uint32_t seq)
{
    CMsgBuffer buffer;
    CMsgStream stream(&buffer, CMsgStream::MODE_WRITE);
    EXPECT_EQ(ST_SUCCESS, stream.Write(body.data(), body.size()));
    CMsgHeader header;
    header.MessageLength = OutgoingMessageLength(buffer);
    header.Command = command;
    header.SeqNumber = seq;
    EXPECT_EQ(ST_SUCCESS, WriteMessageHeader(buffer, header));
    return Bytes(buffer.Data, buffer.Data + buffer.Used);
}

Bytes Join(const std::vector<Bytes>& parts)
{
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

CRawPeer::CRawPeer(STI_OS::SocketHandle handle) : m_handle(handle)
{
    EXPECT_EQ(ST_SUCCESS, STI_OS::SetNonBlocking(m_handle, true));
}

CRawPeer::~CRawPeer()
{
    (void)STI_OS::CloseSocket(m_handle); // teardown: nothing to check
}

Status CRawPeer::SendBytes(const Bytes& bytes)
{
    return Transfer(bytes.size(), [&](std::size_t at, std::uint32_t left, std::uint32_t& count) {
        return STI_OS::Send(m_handle, bytes.data() + at, left, count);
    });
}

Status CRawPeer::ReceiveBytes(std::size_t count, Bytes& bytes)
{
    bytes.assign(count, 0);
    return Transfer(count, [&](std::size_t at, std::uint32_t left, std::uint32_t& got) {
        return STI_OS::Recv(m_handle, bytes.data() + at, left, got);
    });
}

Status CRawPeer::ReceiveMessage(CMsgHeader& header, Bytes& body)
{
    Bytes head;
    Status status = ReceiveBytes(MSG_HEADER_SIZE, head);
    CMsgBuffer buffer;
    std::copy(head.begin(), head.end(), buffer.Data);
    buffer.Used = static_cast<std::uint32_t>(head.size());
    if (status == ST_SUCCESS)
        status = ReadReceivedHeader(buffer, header);
    if (status == ST_SUCCESS && header.MessageLength < MSG_HEADER_SIZE)
        status = ST_OUT_OF_SYNC;
    return status == ST_SUCCESS ? ReceiveBytes(header.MessageLength - MSG_HEADER_SIZE, body) : status;
}

std::size_t CRawPeer::Pending(std::uint32_t milliseconds)
{
    STI_OS::Sleep(milliseconds);
    std::size_t total = 0;
    std::uint8_t chunk[4096];
    std::uint32_t got = 0;
    while (STI_OS::Recv(m_handle, chunk, sizeof(chunk), got) == ST_SUCCESS && got > 0)
        total += got;
    return total;
}

CProbeHandler::CProbeHandler(SProbe& probe, CCommunicator& communicator)
    : KV2Service::CKV2SockHandler(probe, communicator, std::make_unique<CKV2ClientMsgSockVerifier>()), m_probe(probe)
{}

Status CProbeHandler::OnError(sti::IRWPollableObject* object, Status code)
{
    m_probe.ErrorCode = code;
    ++m_probe.ErrorCount;
    return KV2Service::CKV2SockHandler::OnError(object, code);
}

Status CProbeHandler::OnDetach(sti::IRWPollableObject* object, int reason)
{
    m_probe.DetachReason = reason;
    return KV2Service::CKV2SockHandler::OnDetach(object, reason);
}

Status CProbeHandler::OnRemoved(sti::IRWPollableObject* object)
{
    m_probe.Removed = true;
    return KV2Service::CKV2SockHandler::OnRemoved(object); // deletes this
}

Status CRecordingCommands::HandleCommand(const SMsgConnectionContext& from, const CMsgHeader& header, CMsgStream& body)
{
    const std::uint8_t* data = body.Buffer()->Data + body.Position();
    Records.push_back({header, Bytes(data, data + body.Remaining())});
    return OnCommand ? OnCommand(from, header, body) : Result;
}

Status CThrottledSocket::Write(std::uint32_t length, const void* data, std::uint32_t& count)
{
    count = 0;
    const std::int64_t budget = Budget.load();
    if (budget == 0)
        return ST_TRY_LATER;
    const Status status = sti::CTCPSocket::Write(
        budget < 0 ? length : static_cast<std::uint32_t>(std::min<std::int64_t>(budget, length)), data, count);
    if (budget > 0)
        Budget.fetch_sub(count);
    return status;
}

Status CSteeredAllocator::Allocate(Buffer*& out)
{
    out = new (std::nothrow) Buffer();
    Live += out ? 1 : 0;
    return out ? ST_SUCCESS : ST_NO_MEMORY;
}

void CSteeredAllocator::Free(Buffer* buffer)
{
    --Live;
    delete buffer;
}

Status CTestConnection::Open(CCommunicator& communicator, sti::CTCPSocket* socket, std::int32_t idleInterval)
{
    std::unique_ptr<sti::CTCPSocket> owned(socket);
    Close();
    STI_OS::SocketHandle ours = STI_OS::INVALID_SOCKET_HANDLE;
    STI_OS::SocketHandle theirs = STI_OS::INVALID_SOCKET_HANDLE;
    const Status status = STI_OS::CreateLoopbackPair(ours, theirs);
    if (status != ST_SUCCESS)
        return status;
    std::unique_ptr<CRawPeer> peer(new CRawPeer(theirs));
    const Status attached = Attach(communicator, ours, owned.release(), idleInterval);
    m_peer = std::move(peer);
    return attached;
}

Status CTestConnection::Attach(CCommunicator& communicator, STI_OS::SocketHandle handle, sti::CTCPSocket* socket,
                               std::int32_t idleInterval)
{
    std::unique_ptr<sti::CTCPSocket> owned(socket ? socket : new sti::CTCPSocket);
    Close();
    Probe = SProbe();
    owned->AttachHandle(handle);
    std::unique_ptr<CProbeHandler> handler(new CProbeHandler(Probe, communicator));
    handler->SetIdleInterval(idleInterval);
    const Status status = communicator.AddHandler(owned.get(), handler.get());
    if (status != ST_SUCCESS)
        return status;
    m_socket = owned.release();
    m_handler = handler.release();
    return ST_SUCCESS;
}

void CTestConnection::Close()
{
    sti::CDispatcher* dispatcher = sti::CDispatcher::Instance();
    if (m_socket && !Probe.Removed) {
        dispatcher->Close(m_socket, true);
        for (int i = 0; i < 10 && !Probe.Removed; ++i)
            EXPECT_EQ(ST_SUCCESS, dispatcher->Run(0));
    }
    m_socket = nullptr;
    m_handler = nullptr;
    m_peer.reset();
}

} // namespace msgtest
