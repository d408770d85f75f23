#pragma once

#include <cstddef>
#include <deque>

#include "infra/Status.h"
#include "messaging/MsgBuffer.h"

// First-in-first-out queue of message buffers waiting to be written; each entry holds one
// reference to its buffer.
class IMsgBufferQueue {
public:
    virtual ~IMsgBufferQueue() = default;
    // Takes over the caller's reference. ST_NO_MEMORY when the queue cannot grow.
    virtual Status Push(CMsgBuffer* buffer) = 0;
    // Hands the front entry's reference to the caller; null when empty.
    virtual CMsgBuffer* Pop() = 0;
    virtual bool Empty() const = 0;
    virtual std::size_t Size() const = 0;
    // Null when empty.
    virtual CMsgBuffer* Front() const = 0;
};

// Releases, through its allocator, every reference still queued when it is destroyed.
class CMsgBufferQueue : public IMsgBufferQueue {
public:
    explicit CMsgBufferQueue(CMsgBufferAllocator& allocator) : m_allocator(allocator) {}
    ~CMsgBufferQueue() override;
    CMsgBufferQueue(const CMsgBufferQueue&) = delete;
    CMsgBufferQueue& operator=(const CMsgBufferQueue&) = delete;

    Status Push(CMsgBuffer* buffer) override;
    CMsgBuffer* Pop() override;
    bool Empty() const override { return m_buffers.empty(); }
    std::size_t Size() const override { return m_buffers.size(); }
    CMsgBuffer* Front() const override { return m_buffers.empty() ? nullptr : m_buffers.front(); }

private:
    CMsgBufferAllocator& m_allocator;
    std::deque<CMsgBuffer*> m_buffers;
};
