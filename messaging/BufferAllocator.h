#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "infra/Status.h"

namespace sti {

// A reference-counted buffer of N data bytes. Used counts the bytes written so far; a fresh
// buffer has Used 0 and no reference.
template <std::size_t N>
struct SBuffer {
    static constexpr std::size_t CAPACITY = N;

    std::uint8_t Data[N];
    std::uint32_t Used = 0;
    // Atomic because a buffer written on one thread is sent and released on another.
    std::atomic<std::uint32_t> RefCount{0};
};

// Hands out and takes back SBuffer<N>. A buffer is freed when its last reference goes; a buffer
// that never got a reference is freed by its first Release.
template <std::size_t N>
class BufferAllocatorBase {
public:
    using Buffer = SBuffer<N>;

    // Capacity and use of an allocator without a limit.
    static constexpr std::uint32_t UNLIMITED = 0xFFFFFFFFu;

    BufferAllocatorBase() = default;
    BufferAllocatorBase(const BufferAllocatorBase&) = delete;
    BufferAllocatorBase& operator=(const BufferAllocatorBase&) = delete;
    virtual ~BufferAllocatorBase() = default;

    // ST_NO_MEMORY when no buffer can be had; out is then null.
    virtual Status Allocate(Buffer*& out) = 0;
    virtual std::uint32_t Capacity() const = 0;
    virtual std::uint32_t InUse() const = 0;

    void AddRef(Buffer* buffer) { buffer->RefCount.fetch_add(1, std::memory_order_relaxed); }

    void Release(Buffer* buffer)
    {
        if (!buffer)
            return;
        std::uint32_t count = buffer->RefCount.load(std::memory_order_acquire);
        while (count > 1 && !buffer->RefCount.compare_exchange_weak(count, count - 1, std::memory_order_acq_rel)) {}
        if (count <= 1)
            Free(buffer);
    }

protected:
    virtual void Free(Buffer* buffer) = 0;
};

} // namespace sti
