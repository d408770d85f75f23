#include "messaging/MsgBufferQueue.h"

#include <new>

CMsgBufferQueue::~CMsgBufferQueue()
{
    for (CMsgBuffer* buffer : m_buffers)
        m_allocator.Release(buffer);
}

Status CMsgBufferQueue::Push(CMsgBuffer* buffer)
{
    if (!buffer)
        return ST_INVALID_PARAM;
    try {
        m_buffers.push_back(buffer);
    } catch (const std::bad_alloc&) {
        return ST_NO_MEMORY;
    }
    return ST_SUCCESS;
}

CMsgBuffer* CMsgBufferQueue::Pop()
{
    if (m_buffers.empty())
        return nullptr;
    CMsgBuffer* buffer = m_buffers.front();
    m_buffers.pop_front();
    return buffer;
}
