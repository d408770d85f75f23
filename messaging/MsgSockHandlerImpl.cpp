#include "messaging/MsgSockHandlerImpl.h"

#include <algorithm>
#include <new>
#include <utility>

#include "infra/TimeValue.h"
#include "infra/os/Clock.h"
#include "messaging/Communicator.h"
#include "messaging/MsgAddress.h"
#include "messaging/MsgFraming.h"
#include "messaging/MsgHeader.h"
#include "messaging/MsgSockHandler.h"
#include "messaging/RoutingStrategy.h"

namespace {

// Local connection addresses handed out by connected events. Only the service thread makes
// connections, so the counter has no lock.
std::uint32_t g_lastLocalAddress = 0;

bool WouldBlock(Status status)
{
    return status == ST_TIMEOUT || status == ST_TRY_LATER || status == ST_WOULD_BLOCK;
}

// Bytes of a buffer to write: its MessageLength, but never past what the buffer holds, should
// a caller have changed the buffer while it waited in the queue.
std::uint32_t LengthToWrite(const CMsgBuffer& buffer)
{
    const std::uint32_t held = std::min<std::uint32_t>(buffer.Used, MSG_MAX_LENGTH);
    return std::min<std::uint32_t>(PeekMessageLength(buffer), held);
}

} // namespace

CMsgSockHandlerImpl::CMsgSockHandlerImpl(CMsgSockHandler& owner, CCommunicator& communicator,
                                         std::unique_ptr<IMessageVerifier> verifier,
                                         std::unique_ptr<IMsgDecoder> decoder, std::unique_ptr<IMsgEncoder> encoder,
                                         std::unique_ptr<IMsgBufferQueue> queue)
    : m_owner(owner), m_communicator(communicator), m_verifier(std::move(verifier)), m_queue(std::move(queue)),
      m_decoder(std::move(decoder)), m_encoder(std::move(encoder))
{
    m_context.OwnAddress = communicator.GetOwnAddress();
    m_context.Handler = &owner;
    m_context.Communicator = &communicator;
    m_context.Allocator = communicator.GetAllocator();
    if (!m_queue && m_context.Allocator)
        m_queue.reset(new (std::nothrow) CMsgBufferQueue(*m_context.Allocator));
}

CMsgSockHandlerImpl::~CMsgSockHandlerImpl()
{
    CancelTimer();
    ResetRead();
    if (m_context.Allocator) {
        m_context.Allocator->Release(m_writing);
        while (m_queue && !m_queue->Empty())
            m_context.Allocator->Release(m_queue->Pop());
    }
    m_writing = nullptr;
}

Status CMsgSockHandlerImpl::Connected()
{
    m_context.LocalAddress = CMsgAddress::SERVICE_BIT | (++g_lastLocalAddress & ~CMsgAddress::SERVICE_BIT);
    m_connected = true;
    if (m_idleInterval > 0 && m_dispatcher) {
        CancelTimer();
        const Status status = m_dispatcher->ScheduleTimer(sti::CTimeValue::Now() + sti::CTimeSpan(m_idleInterval),
                                                          &m_communicator, &m_owner, m_timerId);
        if (status != ST_SUCCESS) {
            m_timerId = -1;
            return status;
        }
    }
    CRoutingStrategy* strategy = m_communicator.GetStrategy();
    return strategy ? strategy->OnHandlerAdded(&m_owner, m_context.LocalAddress) : ST_SUCCESS;
}

void CMsgSockHandlerImpl::Detached()
{
    m_connected = false;
    CancelTimer();
    // A notice: the handler goes whatever the strategy answers.
    if (CRoutingStrategy* strategy = m_communicator.GetStrategy())
        (void)strategy->OnHandlerRemoved(&m_owner);
}

void CMsgSockHandlerImpl::CancelTimer()
{
    // A timer that fired meanwhile is gone already.
    if (m_timerId >= 0 && m_dispatcher)
        (void)m_dispatcher->GetTimerQueue().CancelOwned(m_timerId, &m_communicator);
    m_timerId = -1;
}

Status CMsgSockHandlerImpl::SendMessage(sti::IRWPollableObject* socket, CMsgBuffer* buffer, int mode)
{
    if (!socket)
        return ST_TRY_LATER;
    if (!buffer)
        return ST_INVALID_PARAM;
    if (!m_context.Allocator || !m_queue)
        return ST_NO_MEMORY;
    CMsgBufferAllocator& allocator = *m_context.Allocator;
    allocator.AddRef(buffer);

    // A message shorter than its header, or one whose length runs past its bytes, would put
    // bytes on the wire that were never written.
    const std::uint32_t length = PeekMessageLength(*buffer);
    Status status = (CheckMessageLength(length) != ST_SUCCESS || length < MSG_HEADER_SIZE || length > buffer->Used)
                        ? ST_OUT_OF_BOUNDS
                        : ST_SUCCESS;
    if (status == ST_SUCCESS && m_encoder)
        status = m_encoder->Encode(*buffer);
    // A queue that cannot grow after the encoder ran leaves the key stream a message ahead of
    // the peer; without memory the connection is lost either way.
    if (status == ST_SUCCESS && m_writing)
        status = m_queue->Push(buffer);
    else if (status == ST_SUCCESS) {
        m_writing = buffer;
        m_written = 0;
    }
    if (status != ST_SUCCESS) {
        allocator.Release(buffer);
        return status;
    }
    ++m_sentCount;
    if (m_outputHeld)
        return ST_SUCCESS;

    status = Flush(socket);
    if (mode == CMsgSockHandler::SEND_BLOCKING) {
        while (status == ST_MORE_DATA) {
            STI_OS::Sleep(CMsgSockHandler::BLOCKING_RETRY_MS);
            status = Flush(socket);
        }
    }
    if (status == ST_MORE_DATA)
        return m_dispatcher ? m_dispatcher->EnableWrite(socket, true) : ST_INTERNAL_ERROR;
    return status;
}

Status CMsgSockHandlerImpl::Flush(sti::IRWPollableObject* socket)
{
    CMsgBufferAllocator& allocator = *m_context.Allocator;
    while (m_writing) {
        const std::uint32_t length = LengthToWrite(*m_writing);
        while (m_written < length) {
            const std::uint32_t remaining = length - m_written;
            std::uint32_t count = 0;
            const Status status = socket->Write(remaining, m_writing->Data + m_written, count);
            if (WouldBlock(status))
                return ST_MORE_DATA;
            if (status != ST_SUCCESS)
                return status;
            if (count > remaining)
                return ST_OUT_OF_BOUNDS;
            if (count == 0)
                return ST_MORE_DATA;
            m_written += count;
        }
        allocator.Release(m_writing);
        ++m_writtenCount;
        m_writing = m_queue->Pop();
        m_written = 0;
    }
    return ST_SUCCESS;
}

Status CMsgSockHandlerImpl::Write(sti::IRWPollableObject* socket)
{
    // Held output asks for no writable events until it is released.
    if (!m_writing || m_outputHeld)
        return ST_NO_MORE_DATA;
    const Status status = Flush(socket);
    if (status == ST_SUCCESS)
        return ST_NO_MORE_DATA;
    return status == ST_MORE_DATA ? ST_SUCCESS : status;
}

void CMsgSockHandlerImpl::HoldOutput(sti::IRWPollableObject* socket, bool hold)
{
    m_outputHeld = hold;
    if (!hold && m_writing && socket && m_dispatcher)
        (void)m_dispatcher->EnableWrite(socket, true); // test seam: a refusal leaves it queued
}

bool CMsgSockHandlerImpl::AllocatorNearlyFull() const
{
    const CMsgBufferAllocator* allocator = m_context.Allocator;
    if (!allocator)
        return false;
    const std::uint32_t capacity = allocator->Capacity();
    if (capacity == CMsgBufferAllocator::UNLIMITED)
        return false;
    // Wide enough that neither product can overflow.
    return 5ull * allocator->InUse() > 4ull * capacity;
}

Status CMsgSockHandlerImpl::Read(sti::IRWPollableObject* socket)
{
    if (AllocatorNearlyFull())
        return ST_SUCCESS;
    if (!m_context.Allocator)
        return ST_NO_MEMORY;
    Status status = ST_SUCCESS;
    for (int i = 0; i < CMsgSockHandler::MAX_MESSAGES_PER_READ; ++i) {
        status = ReadOne(socket);
        if (status != ST_SUCCESS)
            break;
        // The idle timer is live while its id is kept: this cannot fail.
        if (m_idleInterval > 0 && m_timerId >= 0 && m_dispatcher)
            (void)m_dispatcher->RescheduleTimer(m_timerId, m_idleInterval);

        CMsgBuffer* message = m_reading;
        m_reading = nullptr;
        ResetRead();
        const Status processed = Process(*message);
        m_context.Allocator->Release(message);
        // A dropped message, or a handler that closed this connection, ends the turn; what
        // else has arrived waits for the next readable event.
        if (processed != ST_SUCCESS || socket->IsClosed())
            return ST_SUCCESS;
    }
    return status == ST_MORE_DATA ? ST_SUCCESS : status;
}

Status CMsgSockHandlerImpl::ReadOne(sti::IRWPollableObject* socket)
{
    if (!m_reading) {
        CMsgBuffer* buffer = nullptr;
        const Status status = m_context.Allocator->Allocate(buffer);
        if (status != ST_SUCCESS || !buffer)
            return status != ST_SUCCESS ? status : ST_NO_MEMORY;
        m_context.Allocator->AddRef(buffer);
        buffer->Used = 0;
        m_reading = buffer;
        m_lengthKnown = false;
        m_expectedLength = 0;
    }
    if (!m_lengthKnown) {
        Status status = ReadUpTo(socket, 2);
        if (status != ST_SUCCESS)
            return status;
        const std::uint32_t length = PeekMessageLength(*m_reading);
        status = CheckMessageLength(length);
        if (status != ST_SUCCESS) {
            ResetRead();
            return status;
        }
        m_expectedLength = length;
        m_lengthKnown = true;
    }
    return ReadUpTo(socket, m_expectedLength);
}

Status CMsgSockHandlerImpl::ReadUpTo(sti::IRWPollableObject* socket, std::uint32_t target)
{
    while (m_reading->Used < target) {
        const std::uint32_t wanted = target - m_reading->Used;
        std::uint32_t count = 0;
        const Status status = socket->Read(wanted, m_reading->Data + m_reading->Used, count);
        if (WouldBlock(status))
            return ST_MORE_DATA;
        if (status != ST_SUCCESS || count > wanted) {
            ResetRead();
            return status != ST_SUCCESS ? status : ST_OUT_OF_BOUNDS;
        }
        if (count == 0)
            return ST_MORE_DATA;
        m_reading->Used += count;
    }
    return ST_SUCCESS;
}

Status CMsgSockHandlerImpl::Process(CMsgBuffer& message)
{
    Status status = CheckMessageLength(PeekMessageLength(message));
    if (status != ST_SUCCESS)
        return status;
    if (m_decoder) {
        status = m_decoder->Decode(message);
        if (status != ST_SUCCESS)
            return status;
    }
    CMsgHeader header;
    status = ReadReceivedHeader(message, header);
    if (status != ST_SUCCESS)
        return status;
    CRoutingStrategy* strategy = m_communicator.GetStrategy();
    if (strategy && strategy->ShouldForward(message, m_context))
        return ST_SUCCESS;
    if (m_verifier) {
        status = m_verifier->Verify(message, m_context);
        if (status != ST_SUCCESS)
            return status;
    }
    return m_communicator.Dispatch(message, m_context);
}

void CMsgSockHandlerImpl::ResetRead()
{
    if (m_reading && m_context.Allocator)
        m_context.Allocator->Release(m_reading);
    m_reading = nullptr;
    m_lengthKnown = false;
    m_expectedLength = 0;
}
