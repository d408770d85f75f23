#include <gtest/gtest.h>

#include "messaging/ClientBufferAllocator.h"
#include "messaging/MsgBuffer.h"

namespace {

class CCountingAllocator : public sti::BufferAllocatorBase<16> {
public:
    Status Allocate(Buffer*& out) override
    {
        out = new Buffer();
        return ST_SUCCESS;
    }
    std::uint32_t Capacity() const override { return 1; }
    std::uint32_t InUse() const override { return 0; }
    int Freed = 0;

protected:
    void Free(Buffer* buffer) override
    {
        ++Freed;
        delete buffer;
    }
};

} // namespace

TEST(BufferAllocator, BufferIsFreedWhenItsLastReferenceGoes)
{
    CCountingAllocator allocator;
    sti::SBuffer<16>* buffer = nullptr;
    EXPECT_EQ(ST_SUCCESS, allocator.Allocate(buffer));
    allocator.AddRef(buffer);
    allocator.AddRef(buffer);
    allocator.Release(buffer);
    EXPECT_EQ(0, allocator.Freed);
    allocator.Release(buffer);
    EXPECT_EQ(1, allocator.Freed);

    EXPECT_EQ(ST_SUCCESS, allocator.Allocate(buffer)); // never referenced: its first release frees it
    allocator.Release(buffer);
    EXPECT_EQ(2, allocator.Freed);
}

TEST(ClientBufferAllocator, HandsOutEmptyUnreferencedBuffersWithoutLimit)
{
    auto* allocator = ClientBufferAllocator<MSG_MAX_LENGTH>::Instance();
    ASSERT_NE(nullptr, allocator);
    EXPECT_EQ(allocator, ClientBufferAllocator<MSG_MAX_LENGTH>::Instance());
    EXPECT_EQ(0xFFFFFFFFu, allocator->Capacity());
    EXPECT_EQ(0xFFFFFFFFu, allocator->InUse());

    CMsgBuffer* buffer = nullptr;
    ASSERT_EQ(ST_SUCCESS, allocator->Allocate(buffer));
    EXPECT_EQ(0u, buffer->Used);
    EXPECT_EQ(0u, buffer->RefCount.load());
    allocator->AddRef(buffer);
    allocator->Release(buffer); // the leak check would report a buffer left behind
}
