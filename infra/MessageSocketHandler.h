#pragma once
// Turns the byte stream of one attached object into length-prefixed messages and back.
//
// Reading: a message is assembled in one block of the allocator's size over as many readable
// events as it takes; each complete message is checked (CheckMessage), its header decoded
// and handed to DeliverMessage (OnMessage by default). At most MAX_MESSAGES_PER_READ
// messages are handled per readable event; the rest stays in the socket and makes it
// readable again next round. An impossible length is ST_SOCKET_ERROR, a length beyond the
// block ST_OUT_OF_BOUNDS; either closes the object through the dispatcher.
//
// Writing: SendMessage queues owned blocks and writes as much as the socket takes; what is
// left goes out on writable events. A subclass that produces output on demand sets the
// output-wanted flag and write interest and answers ProduceOutput.
//
// Runs on its dispatcher's thread only.

#include "infra/Dispatcher.h"
#include "infra/MessageBlock.h"
#include "infra/MessageHeaderTraits.h"
#include "infra/MessageReader.h"
#include "infra/MessageWriter.h"
#include "infra/SimpleQueue.h"
#include "infra/SocketEventHandler.h"
#include "infra/Status.h"
#include "infra/TimeValue.h"
#include "infra/os/Clock.h"

#include <cstdint>

namespace sti {

// SendMessage modes.
enum SendMode : int {
    SEND_NON_BLOCKING = 0,
    SEND_BLOCKING = 3 // returns once the whole queue is written (or on an error)
};

template <class TSocket, class THeader, class TAllocator = SimpleAllocator<DATA_MESSAGE_CAPACITY>,
          class TQueue = SimpleQueue<TAllocator>, class TTraits = MessageHeaderTraits<THeader>>
class CMessageSocketHandler : public CSocketAttachedEventHandler<TSocket> {
public:
    using Block = typename TAllocator::Block;
    using Header = THeader;
    using Traits = TTraits;

    static constexpr std::uint32_t CAPACITY = TAllocator::CAPACITY;
    static constexpr int MAX_MESSAGES_PER_READ = 5;
    // Key of the keyed timer that guards the idle interval.
    static constexpr int IDLE_TIMER_KEY = 1;
    static constexpr std::uint32_t BLOCKING_RETRY_MS = 50;

    CMessageSocketHandler() = default;
    ~CMessageSocketHandler() override
    {
        TAllocator::Free(m_receiving);
        TAllocator::Free(m_sending);
    }

    using CSocketAttachedEventHandler<TSocket>::OnRead;
    using CSocketAttachedEventHandler<TSocket>::OnWrite;
    using CSocketAttachedEventHandler<TSocket>::OnTimer;

    Status OnRead(TSocket* object) override;
    Status OnWrite(TSocket* object) override;
    // Any keyed timer of the object closes it, with notification.
    Status OnTimer(TSocket* object, const CTimeValue& now, int key) override;

    // Takes ownership of a complete message (used length set). Non-blocking: what the socket
    // does not take now is written on writable events. Blocking: waits in 50 ms sleeps until
    // the whole queue is out. ST_NOT_CONNECTED (message freed) without an attached object.
    Status SendMessage(Block* message, int mode);
    // A message that carries one u32 code, non-blocking (needs TTraits::WriteHeader and
    // TTraits::CODE_MESSAGE_TYPE).
    Status SendCode(std::uint32_t code);

    // Each complete received message, before it is decoded; non-zero drops it and ends the
    // read with that status.
    virtual Status CheckMessage(Block& message)
    {
        (void)message;
        return ST_SUCCESS;
    }
    // Each message handed to SendMessage; non-zero frees it and is SendMessage's result.
    virtual Status BeforeSend(Block& message)
    {
        (void)message;
        return ST_SUCCESS;
    }
    // A decoded message; the reader stands just behind the header.
    virtual Status OnMessage(const THeader& header, CMessageReader& reader)
    {
        (void)header;
        (void)reader;
        return ST_SUCCESS;
    }
    // Asked for more output while the output-wanted flag is set and nothing is queued;
    // ST_NO_MORE_DATA clears the flag.
    virtual Status ProduceOutput() { return ST_NO_MORE_DATA; }
    virtual Status DeliverMessage(const THeader& header, CMessageReader& reader) { return OnMessage(header, reader); }

    void SetOutputWanted(bool on) { m_outputWanted = on; }
    bool IsOutputWanted() const { return m_outputWanted; }
    // Above 0: every readable event re-arms the object's IDLE_TIMER_KEY timer for that long.
    void SetIdleInterval(const CTimeSpan& interval) { m_idleInterval = interval; }
    const CTimeSpan& GetIdleInterval() const { return m_idleInterval; }
    // Sets the idle interval and arms the attached object's idle timer with it.
    Status StartIdleTimer(std::int32_t milliseconds);

    // A message is being written or waits in the queue.
    bool HasPendingOutput() const { return m_sending != nullptr || !m_queue.IsEmpty(); }
    // Bytes of the message being received so far (0 between messages).
    std::uint32_t GetBytesReceived() const { return m_received; }

protected:
    // Writes the current message and then the queued ones: ST_SUCCESS when all is out,
    // ST_MORE_DATA when the socket takes no more for now.
    Status Flush(TSocket* object);

private:
    static bool WouldBlock(Status status)
    {
        return status == ST_TIMEOUT || status == ST_TRY_LATER || status == ST_WOULD_BLOCK;
    }

    Status ReadOne(TSocket* object);
    // Reads up to wanted bytes behind those received; ST_MORE_DATA when fewer came.
    Status ReadInto(TSocket* object, std::uint32_t wanted);
    void ResetReceive()
    {
        TAllocator::Free(m_receiving);
        m_receiving = nullptr;
        m_headerComplete = false;
        m_expectedLength = 0;
        m_received = 0;
    }

    // Receive state.
    Block* m_receiving = nullptr; // owned; null between messages
    bool m_headerComplete = false;
    std::uint32_t m_expectedLength = 0; // 0: not known yet
    std::uint32_t m_received = 0;
    // Send state.
    Block* m_sending = nullptr; // owned
    std::uint32_t m_sent = 0;
    TQueue m_queue;
    bool m_outputWanted = false;
    CTimeSpan m_idleInterval;
};

template <class TSocket, class THeader, class TAllocator, class TQueue, class TTraits>
Status CMessageSocketHandler<TSocket, THeader, TAllocator, TQueue, TTraits>::OnRead(TSocket* object)
{
    if (m_idleInterval.GetMilliseconds() > 0) {
        CDispatcher* dispatcher = CDispatcher::Instance();
        if (dispatcher == nullptr) {
            return ST_NO_MEMORY;
        }
        Status status = dispatcher->RestartObjectTimer(object, IDLE_TIMER_KEY, m_idleInterval.GetMilliseconds());
        if (status != ST_SUCCESS) {
            return status;
        }
    }
    Status status = ST_SUCCESS;
    for (int i = 0; i < MAX_MESSAGES_PER_READ && status == ST_SUCCESS; ++i) {
        status = ReadOne(object);
    }
    return status == ST_MORE_DATA ? ST_SUCCESS : status;
}

template <class TSocket, class THeader, class TAllocator, class TQueue, class TTraits>
Status CMessageSocketHandler<TSocket, THeader, TAllocator, TQueue, TTraits>::ReadOne(TSocket* object)
{
    if (m_receiving == nullptr) {
        ResetReceive();
        m_receiving = TAllocator::Allocate();
        if (m_receiving == nullptr) {
            return ST_NO_MEMORY;
        }
    }
    if (!m_headerComplete) {
        Status status = ReadInto(object, TTraits::HEADER_SIZE - m_received);
        if (status != ST_SUCCESS) {
            return status;
        }
        m_headerComplete = true;
    }
    if (m_expectedLength == 0) {
        const std::uint32_t length = TTraits::GetMessageLength(m_receiving->Data);
        if (length == 0 || length < TTraits::HEADER_SIZE) {
            ResetReceive();
            return ST_SOCKET_ERROR;
        }
        if (length > CAPACITY) {
            ResetReceive();
            return ST_OUT_OF_BOUNDS;
        }
        m_expectedLength = length;
    }
    if (m_received < m_expectedLength) {
        Status status = ReadInto(object, m_expectedLength - m_received);
        if (status != ST_SUCCESS) {
            return status;
        }
    }

    Block* message = m_receiving;
    message->Used = m_expectedLength;
    m_receiving = nullptr;
    ResetReceive();

    Status status = CheckMessage(*message);
    if (status == ST_SUCCESS) {
        CMessageReader reader(*message);
        THeader header;
        status = TTraits::Decode(reader, header);
        if (status == ST_SUCCESS) {
            status = DeliverMessage(header, reader);
        }
    }
    TAllocator::Free(message);
    return status;
}

template <class TSocket, class THeader, class TAllocator, class TQueue, class TTraits>
Status CMessageSocketHandler<TSocket, THeader, TAllocator, TQueue, TTraits>::ReadInto(TSocket* object,
                                                                                      std::uint32_t wanted)
{
    if (wanted > CAPACITY - m_received) {
        ResetReceive();
        return ST_OUT_OF_BOUNDS;
    }
    std::uint32_t count = 0;
    Status status = object->Read(wanted, m_receiving->Data + m_received, count);
    if (WouldBlock(status)) {
        return ST_MORE_DATA;
    }
    if (status != ST_SUCCESS) {
        // The stream is broken; a partial message is of no use any more.
        ResetReceive();
        return status;
    }
    if (count > wanted) {
        ResetReceive();
        return ST_OUT_OF_BOUNDS;
    }
    m_received += count;
    return count < wanted ? ST_MORE_DATA : ST_SUCCESS;
}

template <class TSocket, class THeader, class TAllocator, class TQueue, class TTraits>
Status CMessageSocketHandler<TSocket, THeader, TAllocator, TQueue, TTraits>::Flush(TSocket* object)
{
    while (m_sending != nullptr) {
        const std::uint32_t used = m_sending->Used < CAPACITY ? m_sending->Used : CAPACITY;
        if (m_sent < used) {
            const std::uint32_t remaining = used - m_sent;
            std::uint32_t count = 0;
            Status status = object->Write(remaining, m_sending->Data + m_sent, count);
            if (WouldBlock(status)) {
                return ST_MORE_DATA;
            }
            if (status != ST_SUCCESS) {
                return status;
            }
            if (count > remaining) {
                return ST_OUT_OF_BOUNDS;
            }
            m_sent += count;
            if (count < remaining) {
                return ST_MORE_DATA;
            }
        }
        TAllocator::Free(m_sending);
        m_sending = m_queue.Pop();
        m_sent = 0;
    }
    return ST_SUCCESS;
}

template <class TSocket, class THeader, class TAllocator, class TQueue, class TTraits>
Status CMessageSocketHandler<TSocket, THeader, TAllocator, TQueue, TTraits>::OnWrite(TSocket* object)
{
    Status status = Flush(object);
    if (status != ST_SUCCESS) {
        return status;
    }
    if (!m_outputWanted) {
        return ST_NO_MORE_DATA;
    }
    status = ProduceOutput();
    if (status == ST_NO_MORE_DATA) {
        m_outputWanted = false;
    }
    return HasPendingOutput() ? ST_MORE_DATA : status;
}

template <class TSocket, class THeader, class TAllocator, class TQueue, class TTraits>
Status CMessageSocketHandler<TSocket, THeader, TAllocator, TQueue, TTraits>::OnTimer(TSocket* object,
                                                                                     const CTimeValue& now, int key)
{
    (void)now;
    (void)key;
    CDispatcher* dispatcher = CDispatcher::Instance();
    if (dispatcher == nullptr) {
        return ST_NO_MEMORY;
    }
    dispatcher->Close(object, true);
    return ST_SUCCESS;
}

template <class TSocket, class THeader, class TAllocator, class TQueue, class TTraits>
Status CMessageSocketHandler<TSocket, THeader, TAllocator, TQueue, TTraits>::SendMessage(Block* message, int mode)
{
    if (message == nullptr) {
        return ST_INTERNAL_ERROR;
    }
    Status status = BeforeSend(*message);
    if (status != ST_SUCCESS) {
        TAllocator::Free(message);
        return status;
    }
    TSocket* object = this->m_object;
    if (object == nullptr) {
        TAllocator::Free(message);
        return ST_NOT_CONNECTED;
    }
    if (m_sending != nullptr) {
        status = m_queue.Push(message);
        if (status != ST_SUCCESS) {
            TAllocator::Free(message);
            return status;
        }
    } else {
        m_sending = message;
        m_sent = 0;
    }
    status = Flush(object);
    if (mode == SEND_BLOCKING) {
        while (status == ST_MORE_DATA) {
            STI_OS::Sleep(BLOCKING_RETRY_MS);
            status = Flush(object);
        }
        return status;
    }
    if (status == ST_MORE_DATA) {
        CDispatcher* dispatcher = CDispatcher::Instance();
        return dispatcher == nullptr ? ST_NO_MEMORY : dispatcher->EnableWrite(object, true);
    }
    return status;
}

template <class TSocket, class THeader, class TAllocator, class TQueue, class TTraits>
Status CMessageSocketHandler<TSocket, THeader, TAllocator, TQueue, TTraits>::SendCode(std::uint32_t code)
{
    Block* message = TAllocator::Allocate();
    if (message == nullptr) {
        return ST_NO_MEMORY;
    }
    CMessageWriter writer(*message, TTraits::HEADER_SIZE);
    Status status = writer.WriteU32(code);
    if (status == ST_SUCCESS) {
        status = TTraits::WriteHeader(message->Data, message->Used, TTraits::CODE_MESSAGE_TYPE);
    }
    if (status != ST_SUCCESS) {
        TAllocator::Free(message);
        return status;
    }
    return SendMessage(message, SEND_NON_BLOCKING);
}

template <class TSocket, class THeader, class TAllocator, class TQueue, class TTraits>
Status CMessageSocketHandler<TSocket, THeader, TAllocator, TQueue, TTraits>::StartIdleTimer(std::int32_t milliseconds)
{
    if (this->m_object == nullptr) {
        return ST_NOT_CONNECTED;
    }
    CDispatcher* dispatcher = CDispatcher::Instance();
    if (dispatcher == nullptr) {
        return ST_NO_MEMORY;
    }
    m_idleInterval = CTimeSpan(milliseconds);
    return dispatcher->SetObjectTimer(this->m_object, milliseconds, IDLE_TIMER_KEY);
}

} // namespace sti
