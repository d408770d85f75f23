#pragma once

#include <cstddef>
#include <cstdint>
#include <new>

#include "infra/Longevity.h"
#include "infra/Singleton.h"
#include "infra/Status.h"
#include "messaging/BufferAllocator.h"

// The client's message buffers: one heap record per message, no limit. Its capacity and use both
// read UNLIMITED, so a "nearly full" test of the form 5 * use > 4 * capacity never holds.
// Process singleton (ClientBufferAllocator<8192>::Instance()); it outlives the communicator and
// the service, which release their buffers while they are destroyed.
template <std::size_t N>
class ClientBufferAllocator : public sti::BufferAllocatorBase<N> {
public:
    using Buffer = typename sti::BufferAllocatorBase<N>::Buffer;

    static constexpr std::uint32_t LONGEVITY = sti::longevity::CLIENT_BUFFER_ALLOCATOR;

    static ClientBufferAllocator* Instance() { return sti::CSingleton<ClientBufferAllocator>::Instance(); }

    Status Allocate(Buffer*& out) override
    {
        out = new (std::nothrow) Buffer();
        return out ? ST_SUCCESS : ST_NO_MEMORY;
    }

    std::uint32_t Capacity() const override { return sti::BufferAllocatorBase<N>::UNLIMITED; }
    std::uint32_t InUse() const override { return sti::BufferAllocatorBase<N>::UNLIMITED; }

protected:
    void Free(Buffer* buffer) override { delete buffer; }
};
