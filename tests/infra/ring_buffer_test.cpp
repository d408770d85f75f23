#include <gtest/gtest.h>

#include "infra/RingBuffer.h"

#include <cstring>
#include <numeric>
#include <vector>

using namespace sti;

namespace {

// Appends bytes through one reservation; returns how many fitted.
std::uint32_t Put(CRingBuffer& ring, const std::vector<std::uint8_t>& bytes)
{
    std::uint32_t granted = 0;
    std::uint8_t* room = ring.Reserve(static_cast<std::uint32_t>(bytes.size()), granted);
    if (granted > 0) {
        std::memcpy(room, bytes.data(), granted);
    }
    ring.Commit(granted);
    return granted;
}

std::vector<std::uint8_t> Bytes(std::size_t count, std::uint8_t first)
{
    std::vector<std::uint8_t> bytes(count);
    std::iota(bytes.begin(), bytes.end(), first);
    return bytes;
}

std::vector<std::uint8_t> Front(CRingBuffer& ring, std::uint32_t count)
{
    std::uint32_t size = 0;
    const std::uint8_t* data = ring.MakeContiguous(count, size);
    if (data == nullptr || size < count) {
        return {};
    }
    return std::vector<std::uint8_t>(data, data + count);
}

} // namespace

TEST(RingBuffer, FillsUpToCapacityAndHandsBytesOutInOrder)
{
    CRingBuffer ring;
    ASSERT_EQ(ST_SUCCESS, ring.Create(16));
    EXPECT_EQ(10u, Put(ring, Bytes(10, 0)));
    EXPECT_EQ(6u, Put(ring, Bytes(10, 10))) << "only the free space is granted";
    std::uint32_t granted = 99;
    EXPECT_EQ(nullptr, ring.Reserve(1, granted));
    EXPECT_EQ(0u, granted);
    EXPECT_EQ(Bytes(16, 0), Front(ring, 16));
    ring.Consume(16);
    EXPECT_TRUE(ring.IsEmpty());
    std::uint32_t size = 7;
    EXPECT_EQ(nullptr, ring.GetContiguous(size));
    EXPECT_EQ(0u, size);
}

TEST(RingBuffer, WrappedDataIsJoinedInPlaceWhenItFitsBehind)
{
    CRingBuffer ring;
    ASSERT_EQ(ST_SUCCESS, ring.Create(16));
    Put(ring, Bytes(13, 0));
    ring.Consume(10);                       // A = [10, 13): 10 free in front, 3 behind
    EXPECT_EQ(3u, Put(ring, Bytes(3, 13))); // goes in front: B = [0, 3)
    std::uint32_t size = 0;
    ring.GetContiguous(size);
    EXPECT_EQ(3u, size);
    EXPECT_EQ(6u, ring.GetUsed());
    EXPECT_EQ(Bytes(6, 10), Front(ring, 6)) << "B copied behind A";
    ring.Consume(6);
    EXPECT_TRUE(ring.IsEmpty());
}

TEST(RingBuffer, WrappedDataIsJoinedThroughTheSpareAreaWhenItDoesNot)
{
    CRingBuffer ring;
    ASSERT_EQ(ST_SUCCESS, ring.Create(16));
    Put(ring, Bytes(16, 0));
    ring.Consume(12);                         // A = [12, 16)
    EXPECT_EQ(10u, Put(ring, Bytes(10, 16))); // B = [0, 10)
    EXPECT_EQ(Bytes(14, 12), Front(ring, 14));
    ring.Consume(14);
    EXPECT_TRUE(ring.IsEmpty());
    EXPECT_EQ(16u, Put(ring, Bytes(16, 50))) << "an empty buffer is one free run again";
    EXPECT_EQ(Bytes(16, 50), Front(ring, 16));
}

TEST(RingBuffer, ReservationFavoursTheLargerFreeRunAndCommitIsCutToIt)
{
    CRingBuffer ring;
    ASSERT_EQ(ST_SUCCESS, ring.Create(16));
    Put(ring, Bytes(14, 0));
    ring.Consume(10); // A = [10, 14): 10 free in front, 2 behind
    std::uint32_t granted = 0;
    std::uint8_t* room = ring.Reserve(16, granted);
    EXPECT_EQ(10u, granted);
    std::memset(room, 0xEE, granted);
    ring.Commit(50);
    EXPECT_EQ(14u, ring.GetUsed());
    std::uint32_t size = 0;
    ring.GetContiguous(size);
    EXPECT_EQ(4u, size) << "the new bytes wait in B";
    EXPECT_EQ(0u, (ring.Reserve(16, granted), granted)) << "B has reached A";
}

TEST(RingBuffer, AskingForMoreThanIsHeldChangesNothing)
{
    CRingBuffer ring;
    ASSERT_EQ(ST_SUCCESS, ring.Create(16));
    Put(ring, Bytes(16, 0));
    ring.Consume(12);
    Put(ring, Bytes(3, 16));
    std::uint32_t size = 0;
    ring.MakeContiguous(8, size);
    EXPECT_EQ(4u, size);
    EXPECT_EQ(Bytes(7, 12), Front(ring, 7));
}
