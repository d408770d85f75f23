#include "transport/ant/AntBackendHandler.h"

#include "infra/Dispatcher.h"
#include "transport/ant/AntNetworkHandler.h"
#include "transport/ant/AntSession.h"
#include "transport/ant/AntSessionManager.h"
#include "transport/ant/AntTransportPort.h"

#include <cstring>
#include <new>
#include <string>
#include <utility>

CAntBackendHandler::CAntBackendHandler(CAntSessionManager& manager, CAntSession& session)
    : m_manager(manager), m_session(&session)
{}

sti::CDispatcher* CAntBackendHandler::Dispatcher() const
{
    IAntTransportPort* port = m_manager.GetPort();
    return port ? port->GetDispatcher() : nullptr;
}

Status CAntBackendHandler::Deliver(const CPacketRef& packet)
{
    if (!CanAccept())
        return ST_TRY_LATER;
    // Nothing to write: queued, a payload of no bytes was never consumed and the writes
    // looped for ever.
    if (packet->Length <= ANT_HEADER_SIZE)
        return ST_SUCCESS;
    SPending pending;
    pending.Packet = packet;
    pending.Offset = ANT_HEADER_SIZE;
    m_queue.push_back(std::move(pending));
    // Refused only while the poller's write set is full; the next delivery asks again.
    if (sti::CDispatcher* dispatcher = Dispatcher())
        if (m_object)
            (void)dispatcher->EnableWrite(m_object, true);
    return ST_SUCCESS;
}

Status CAntBackendHandler::Read(void* buffer, std::uint32_t size, std::uint32_t& count)
{
    count = 0;
    if (!m_readBuffer && !m_awaitingData) {
        m_readBuffer.reset(new (std::nothrow) std::uint8_t[READ_CHUNK]);
        if (!m_readBuffer) // no memory for a chunk: one socket read per packet
            return ReadSocket(static_cast<std::uint8_t*>(buffer), size, count);
    }
    if (GetBuffered() < size && !m_awaitingData) {
        const Status status = FillReadBuffer();
        // An end or a failure behind buffered bytes shows once they are taken.
        if (status != ST_SUCCESS && GetBuffered() == 0)
            return status;
    }
    if (GetBuffered() == 0)
        return ST_TRY_LATER; // read interest is armed
    count = GetBuffered() < size ? GetBuffered() : size;
    std::memcpy(buffer, m_readBuffer.get() + m_readStart, count);
    m_readStart += count;
    if (m_readStart == m_readEnd)
        m_readStart = m_readEnd = 0;
    return ST_SUCCESS;
}

Status CAntBackendHandler::ReadSocket(std::uint8_t* into, std::uint32_t room, std::uint32_t& count)
{
    count = 0;
    if (!m_object)
        return ST_CONNECTION_CLOSED;
    const Status status = m_object->Read(room, into, count);
    if (status == ST_SUCCESS && count == 0)
        return ST_CONNECTION_CLOSED;
    if (status == ST_TRY_LATER || status == ST_WOULD_BLOCK) {
        count = 0;
        if (sti::CDispatcher* dispatcher = Dispatcher())
            m_awaitingData = dispatcher->EnableRead(m_object, true) == ST_SUCCESS;
        return ST_TRY_LATER;
    }
    return status;
}

Status CAntBackendHandler::FillReadBuffer()
{
    if (m_readStart > 0) {
        std::memmove(m_readBuffer.get(), m_readBuffer.get() + m_readStart, GetBuffered());
        m_readEnd -= m_readStart;
        m_readStart = 0;
    }
    if (m_readEnd == READ_CHUNK)
        return ST_SUCCESS;
    std::uint32_t count = 0;
    const Status status = ReadSocket(m_readBuffer.get() + m_readEnd, READ_CHUNK - m_readEnd, count);
    if (status == ST_SUCCESS)
        m_readEnd += count;
    return status;
}

void CAntBackendHandler::CloseAfterFlush()
{
    m_closing = true;
    sti::CDispatcher* dispatcher = Dispatcher();
    if (!dispatcher || !m_object)
        return;
    if (m_queue.empty()) {
        EndGracefully(*dispatcher, m_object);
        return;
    }
    // The socket is registered: dropping an interest cannot fail.
    (void)dispatcher->DisableRead(m_object);
    // Only a lack of memory fails it; the flush then waits for the user without a limit.
    (void)dispatcher->SetObjectTimer(m_object, FLUSH_LIMIT_MS, FLUSH_TIMER_KEY);
    // Refused only while the poller's write set is full; the flush limit still ends it.
    (void)dispatcher->EnableWrite(m_object, true);
}

// The user may still be writing: a plain close would then reset the connection, and the
// user could lose what it has not read yet of ours (the peer's last message). Closed after
// its last write, the socket ends with an orderly close instead (see LingeringClose.h).
void CAntBackendHandler::EndGracefully(sti::CDispatcher& dispatcher, sti::CTCPSocket* socket)
{
    // The socket is registered: dropping an interest cannot fail, nor can the close.
    (void)dispatcher.DisableWrite(socket);
    (void)dispatcher.CloseAfterWrite(socket);
}

void CAntBackendHandler::CloseNow()
{
    m_closing = true;
    m_queue.clear();
    if (sti::CDispatcher* dispatcher = Dispatcher())
        if (m_object)
            dispatcher->Close(m_object, true);
}

Status CAntBackendHandler::OnRead(sti::CTCPSocket* socket)
{
    m_awaitingData = false;
    // The socket just became readable, so it is registered: this cannot fail.
    if (sti::CDispatcher* dispatcher = Dispatcher())
        (void)dispatcher->DisableRead(socket);
    if (!m_session || !m_session->Network)
        return ST_SUCCESS;
    CAntSessionManager::CEntryGuard guard(m_manager);
    m_session->Network->OnBackendReadable();
    return ST_SUCCESS;
}

void CAntBackendHandler::GatherQueued(const std::uint8_t*& data, std::uint32_t& length)
{
    const SPending& front = m_queue.front();
    data = front.Packet->Data + front.Offset;
    length = front.Packet->Length - front.Offset;
    if (m_queue.size() == 1)
        return;
    if (!m_writeBuffer)
        m_writeBuffer.reset(new (std::nothrow) std::uint8_t[WRITE_CHUNK]);
    if (!m_writeBuffer)
        return; // no memory to gather in: the front payload goes alone
    std::memcpy(m_writeBuffer.get(), data, length);
    for (std::size_t i = 1; i < m_queue.size(); ++i) {
        const SPending& pending = m_queue[i];
        const std::uint32_t size = pending.Packet->Length - pending.Offset;
        if (length + size > WRITE_CHUNK)
            break;
        std::memcpy(m_writeBuffer.get() + length, pending.Packet->Data + pending.Offset, size);
        length += size;
    }
    data = m_writeBuffer.get();
}

void CAntBackendHandler::Consume(std::uint32_t count)
{
    while (count > 0 && !m_queue.empty()) {
        SPending& pending = m_queue.front();
        const std::uint32_t left = pending.Packet->Length - pending.Offset;
        if (count < left) {
            pending.Offset += count;
            return;
        }
        count -= left;
        m_queue.pop_front();
    }
}

Status CAntBackendHandler::OnWrite(sti::CTCPSocket* socket)
{
    const bool wasFull = !CanAccept();
    while (!m_queue.empty()) {
        const std::uint8_t* data = nullptr;
        std::uint32_t length = 0;
        GatherQueued(data, length);
        std::uint32_t count = 0;
        const Status status = socket->Write(length, data, count);
        if (status == ST_TIMEOUT || status == ST_TRY_LATER || status == ST_WOULD_BLOCK)
            break;
        if (status != ST_SUCCESS)
            return status; // the user's end is gone
        Consume(count);
        if (count < length)
            break; // the socket is full
    }
    if (m_queue.empty() && m_closing) {
        // Fails only for a null socket.
        if (sti::CDispatcher* dispatcher = Dispatcher())
            (void)dispatcher->CloseAfterWrite(socket); // the dispatcher closes on this answer
        return ST_NO_MORE_DATA;
    }
    if (wasFull && CanAccept() && m_session && m_session->Network) {
        CAntSessionManager::CEntryGuard guard(m_manager);
        m_session->Network->OnBackendDrained();
    }
    return m_queue.empty() ? ST_NO_MORE_DATA : ST_MORE_DATA;
}

Status CAntBackendHandler::OnTimer(sti::CTCPSocket* socket, const sti::CTimeValue&, int key)
{
    if (key == FLUSH_TIMER_KEY) {
        m_queue.clear();
        if (sti::CDispatcher* dispatcher = Dispatcher())
            EndGracefully(*dispatcher, socket);
    }
    return ST_SUCCESS;
}

Status CAntBackendHandler::OnError(sti::CTCPSocket* socket, Status code)
{
    m_queue.clear();
    if (!m_session || !m_session->Network || m_session->BackendState != ANT_BACKEND_OPEN)
        return code;
    // Bytes read ahead into the buffer come first: they were written before the rest.
    std::string remainder;
    if (GetBuffered() > 0)
        remainder.assign(reinterpret_cast<const char*>(m_readBuffer.get() + m_readStart), GetBuffered());
    m_readStart = m_readEnd = 0;
    char buffer[16384];
    while (remainder.size() < REMAINDER_LIMIT) {
        std::uint32_t count = 0;
        if (socket->Read(sizeof buffer, buffer, count) != ST_SUCCESS || count == 0)
            break;
        remainder.append(buffer, count);
    }
    m_session->Network->OnUserFailed(std::move(remainder));
    return code;
}

Status CAntBackendHandler::OnRemoved(sti::CTCPSocket*)
{
    if (m_session) {
        CAntSession* session = m_session;
        m_session = nullptr;
        session->Backend = nullptr;
        session->BackendSocket = nullptr;
        session->BackendState = ANT_BACKEND_NONE;
        m_manager.OnBackendGone(*session);
    }
    delete this;
    return ST_SUCCESS;
}
