#pragma once
// FIFO of owned message blocks waiting to be sent; blocks still queued when the queue dies
// are freed through the allocator they came from.

#include "infra/Status.h"

#include <deque>
#include <new>

namespace sti {

template <class TAllocator>
class SimpleQueue {
public:
    using Block = typename TAllocator::Block;

    SimpleQueue() = default;
    ~SimpleQueue() { Clear(); }

    SimpleQueue(const SimpleQueue&) = delete;
    SimpleQueue& operator=(const SimpleQueue&) = delete;

    // Takes ownership on success; ST_NO_MEMORY leaves the block with the caller.
    Status Push(Block* block)
    {
        try {
            m_blocks.push_back(block);
        } catch (const std::bad_alloc&) {
            return ST_NO_MEMORY;
        }
        return ST_SUCCESS;
    }

    // The oldest block, now the caller's; null when empty.
    Block* Pop()
    {
        if (m_blocks.empty()) {
            return nullptr;
        }
        Block* block = m_blocks.front();
        m_blocks.pop_front();
        return block;
    }

    bool IsEmpty() const { return m_blocks.empty(); }
    std::size_t GetCount() const { return m_blocks.size(); }

    void Clear()
    {
        for (Block* block : m_blocks) {
            TAllocator::Free(block);
        }
        m_blocks.clear();
    }

private:
    std::deque<Block*> m_blocks;
};

} // namespace sti
