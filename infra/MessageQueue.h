#pragma once
// Fixed-size message queue between threads over a pipe. Producers on any thread Write whole
// messages into the producer end; the consuming thread registers the consumer end with its
// dispatcher, bound to a CMessageQueueHandler, which delivers copies of the messages in the
// order they were written.
//
// A message never reaches the pipe in pieces or mixed with another one: writers of one
// producer end are serialised, and a message that meets a full pipe is kept whole in the
// write buffer until the pipe takes it.

#include "infra/BufferedEncapsulator.h"
#include "infra/Lock.h"
#include "infra/Pipe.h"
#include "infra/SocketEventHandler.h"
#include "infra/SocketWait.h"
#include "infra/Status.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>

namespace sti {

constexpr std::uint32_t MESSAGE_QUEUE_RING_CAPACITY = 1024;

template <class TMessage>
class CMessageQueue : public CBufferedEncapsulator<CPipe, MESSAGE_QUEUE_RING_CAPACITY> {
public:
    static_assert(std::is_trivially_copyable<TMessage>::value, "queue messages travel as raw bytes");
    static_assert(sizeof(TMessage) <= MESSAGE_QUEUE_RING_CAPACITY, "a message must fit the ring buffer");

    static constexpr std::uint32_t MESSAGE_SIZE = sizeof(TMessage);
    // Longest single wait for room in a full pipe; the writer then tries again.
    static constexpr std::uint32_t FULL_PIPE_WAIT_MS = 20;

    explicit CMessageQueue(std::unique_ptr<CPipe> end)
        : CBufferedEncapsulator<CPipe, MESSAGE_QUEUE_RING_CAPACITY>(std::move(end))
    {}

    // A connected pair of queue ends with their buffers, both non-blocking: producer for
    // writing, consumer for the dispatcher. Both or neither (outputs null on failure).
    static Status CreatePair(std::unique_ptr<CMessageQueue>& producer, std::unique_ptr<CMessageQueue>& consumer);

    // Any thread. ST_SUCCESS once the whole message has reached the pipe; waits while the
    // pipe is full. A pipe error is returned (the message may then be lost).
    Status Write(const TMessage& message);

    // Consumer side: the next whole message, contiguous, still buffered (ConsumeRead it).
    Status Read(const std::uint8_t*& data, std::uint32_t& count) { return BufferedRead(MESSAGE_SIZE, data, count); }

private:
    using Base = CBufferedEncapsulator<CPipe, MESSAGE_QUEUE_RING_CAPACITY>;
    // The raw byte operations stay with the buffering layer: callers of a queue move whole
    // messages only.
    using Base::Read;
    using Base::Write;

    Status WaitForRoom();

    CMutex m_writeLock;
};

// Consumer of a queue end: a read event delivers every whole message that has arrived (a
// partial one waits for its rest); the callback's result does not close the queue, only a
// read error does. A write event flushes the end's write buffer.
template <class TMessage>
class CMessageQueueHandler : public CSocketAttachedEventHandler<CMessageQueue<TMessage>> {
public:
    using Queue = CMessageQueue<TMessage>;
    // Reads of the pipe per read event; if the pipe still holds data after them, the end is
    // readable again next round, so nothing waits longer than a round.
    static constexpr int MAX_PIPE_READS_PER_EVENT = 4;

    using CSocketAttachedEventHandler<Queue>::OnRead;
    using CSocketAttachedEventHandler<Queue>::OnWrite;

    Status OnRead(Queue* queue) override;
    // ST_SUCCESS while bytes remain buffered, ST_NO_MORE_DATA once the buffer is empty.
    Status OnWrite(Queue* queue) override;

    // One message, on the consuming thread.
    virtual Status OnQueueMessage(const TMessage& message) = 0;

private:
    void DeliverFront(Queue* queue, const std::uint8_t* data);
};

template <class TMessage>
Status CMessageQueue<TMessage>::CreatePair(std::unique_ptr<CMessageQueue>& producer,
                                           std::unique_ptr<CMessageQueue>& consumer)
{
    producer.reset();
    consumer.reset();
    std::unique_ptr<CPipe> first;
    std::unique_ptr<CPipe> second;
    Status status = CPipe::CreatePair(first, second);
    if (status != ST_SUCCESS) {
        return status;
    }
    std::unique_ptr<CMessageQueue> writing(new (std::nothrow) CMessageQueue(std::move(first)));
    std::unique_ptr<CMessageQueue> reading(new (std::nothrow) CMessageQueue(std::move(second)));
    if (!writing || !reading) {
        return ST_NO_MEMORY;
    }
    status = writing->CreateBuffers();
    if (status == ST_SUCCESS) {
        status = reading->CreateBuffers();
    }
    if (status != ST_SUCCESS) {
        return status;
    }
    if (!writing->SetNonBlocking() || !reading->SetNonBlocking()) {
        return ST_SOCKET_ERROR;
    }
    producer = std::move(writing);
    consumer = std::move(reading);
    return ST_SUCCESS;
}

template <class TMessage>
Status CMessageQueue<TMessage>::WaitForRoom()
{
    Status status = WaitUntilWritable(this->GetHandle(), FULL_PIPE_WAIT_MS);
    return status == ST_TIMEOUT ? ST_SUCCESS : status;
}

template <class TMessage>
Status CMessageQueue<TMessage>::Write(const TMessage& message)
{
    CScopedLock guard(m_writeLock);
    std::uint32_t written = 0;
    bool pending = false;
    Status status;
    // No room for the whole message in the buffer: wait until the pipe drains some of it.
    while ((status = this->BufferedWrite(&message, MESSAGE_SIZE, MESSAGE_SIZE, written, pending)) == ST_TRY_LATER) {
        status = WaitForRoom();
        if (status != ST_SUCCESS) {
            return status;
        }
    }
    if (status != ST_SUCCESS) {
        return status;
    }
    while (pending) {
        status = this->Flush();
        if (status == ST_SUCCESS) {
            pending = false;
        } else if (status == ST_TRY_LATER) {
            status = WaitForRoom();
            if (status != ST_SUCCESS) {
                return status;
            }
        } else {
            return status;
        }
    }
    return ST_SUCCESS;
}

template <class TMessage>
void CMessageQueueHandler<TMessage>::DeliverFront(Queue* queue, const std::uint8_t* data)
{
    TMessage message;
    std::memcpy(static_cast<void*>(&message), data, sizeof(TMessage));
    queue->ConsumeRead(sizeof(TMessage));
    // A consumer's failure concerns that one message; the queue stays open for the next.
    (void)OnQueueMessage(message);
}

template <class TMessage>
Status CMessageQueueHandler<TMessage>::OnRead(Queue* queue)
{
    for (int reads = 0;;) {
        const std::uint8_t* data = nullptr;
        std::uint32_t count = 0;
        while (queue->GetReadBuffered() >= Queue::MESSAGE_SIZE) {
            Status status = queue->Read(data, count);
            if (status != ST_SUCCESS) {
                return status;
            }
            DeliverFront(queue, data);
        }
        if (reads == MAX_PIPE_READS_PER_EVENT) {
            return ST_SUCCESS;
        }
        ++reads;
        Status status = queue->Read(data, count);
        if (status == ST_TRY_LATER) {
            return ST_SUCCESS; // nothing more yet, or part of a message: wait for the rest
        }
        if (status != ST_SUCCESS) {
            return status;
        }
        DeliverFront(queue, data);
    }
}

template <class TMessage>
Status CMessageQueueHandler<TMessage>::OnWrite(Queue* queue)
{
    Status status = queue->Flush();
    if (status == ST_TRY_LATER) {
        return ST_SUCCESS;
    }
    if (status != ST_SUCCESS) {
        return status;
    }
    return queue->GetWriteBuffered() > 0 ? ST_SUCCESS : ST_NO_MORE_DATA;
}

} // namespace sti
