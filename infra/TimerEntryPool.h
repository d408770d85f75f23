#pragma once
// Fixed-size entries carved from blocks that are never given back until the pool dies, so
// steady churn does not allocate. The first block has firstBlock entries; each later block
// as many as the pool already holds, capped so the pool never exceeds the limit.

#include "infra/Lock.h"

#include <cstddef>
#include <memory>
#include <new>
#include <vector>

namespace sti {

template <class T, class LockType = CNullMutex>
class CTimerEntryPool {
public:
    CTimerEntryPool() = default;
    CTimerEntryPool(const CTimerEntryPool&) = delete;
    CTimerEntryPool& operator=(const CTimerEntryPool&) = delete;

    // False when the first block cannot be allocated.
    bool Initialize(std::size_t firstBlock, std::size_t limit)
    {
        CScopedLock guard(m_lock);
        m_limit = limit;
        return Grow(firstBlock);
    }

    // Null when the limit is reached or no memory is left.
    T* Take()
    {
        CScopedLock guard(m_lock);
        if (m_free == nullptr && !Grow(m_total)) {
            return nullptr;
        }
        Node* node = m_free;
        m_free = node->next;
        node->value = T();
        return &node->value;
    }

    // Gives back an entry that Take handed out.
    void Give(T* value)
    {
        CScopedLock guard(m_lock);
        Node* node = reinterpret_cast<Node*>(value); // value is the node's first member
        node->next = m_free;
        m_free = node;
    }

    std::size_t GetTotal() const { return m_total; }

private:
    struct Node {
        T value;
        Node* next;
    };

    bool Grow(std::size_t wanted)
    {
        if (wanted > m_limit - m_total) {
            wanted = m_limit - m_total;
        }
        if (wanted == 0) {
            return false;
        }
        if (m_blocks.size() == m_blocks.capacity()) {
            try {
                m_blocks.reserve(m_blocks.size() * 2 + 4);
            } catch (const std::bad_alloc&) {
                return false;
            }
        }
        std::unique_ptr<Node[]> block(new (std::nothrow) Node[wanted]);
        if (!block) {
            return false;
        }
        for (std::size_t i = 0; i < wanted; ++i) {
            block[i].next = m_free;
            m_free = &block[i];
        }
        m_blocks.push_back(std::move(block)); // capacity reserved above: cannot throw
        m_total += wanted;
        return true;
    }

    LockType m_lock;
    std::vector<std::unique_ptr<Node[]>> m_blocks;
    Node* m_free = nullptr;
    std::size_t m_total = 0;
    std::size_t m_limit = 0;
};

} // namespace sti
