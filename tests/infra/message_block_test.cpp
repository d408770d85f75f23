#include <gtest/gtest.h>

#include "infra/IPCMessageHeader.h"
#include "infra/MessageBlock.h"
#include "infra/MessageReader.h"
#include "infra/MessageWriter.h"

#include <cstring>
#include <memory>

using namespace sti;

namespace {

using CDataAllocator = SimpleAllocator<DATA_MESSAGE_CAPACITY>;

struct BlockDeleter {
    void operator()(CDataAllocator::Block* block) const { CDataAllocator::Free(block); }
};

} // namespace

TEST(MessageBlock, FreshBlockIsZeroFilledAndEmpty)
{
    std::unique_ptr<CDataAllocator::Block, BlockDeleter> block(CDataAllocator::Allocate());
    ASSERT_NE(nullptr, block);
    EXPECT_EQ(0u, block->Used);
    for (std::uint32_t i = 0; i < DATA_MESSAGE_CAPACITY; i += 4099) {
        EXPECT_EQ(0, block->Data[i]);
    }
    EXPECT_EQ(0, block->Data[DATA_MESSAGE_CAPACITY - 1]);
}

TEST(MessageWriter, BodyFirstThenHeaderLeavesTheFurthestEndAsUsedLength)
{
    std::unique_ptr<CDataAllocator::Block, BlockDeleter> block(CDataAllocator::Allocate());
    CMessageWriter body(*block, 4);
    EXPECT_EQ(ST_SUCCESS, body.WriteU16(0x0102));
    EXPECT_EQ(ST_SUCCESS, body.WriteU32(0x03040506));
    EXPECT_EQ(10u, block->Used);
    CMessageWriter header(*block);
    EXPECT_EQ(ST_SUCCESS, header.WriteU32((10u << 8) | 6));
    EXPECT_EQ(10u, block->Used) << "writing the header does not shrink the message";
    const std::uint8_t expected[] = {0x06, 0x0A, 0, 0, 0x02, 0x01, 0x06, 0x05, 0x04, 0x03};
    EXPECT_EQ(0, std::memcmp(expected, block->Data, sizeof expected));
}

TEST(MessageWriter, WriteBeyondTheBlockFailsWholeAndSticks)
{
    std::unique_ptr<CDataAllocator::Block, BlockDeleter> block(CDataAllocator::Allocate());
    CMessageWriter writer(*block, DATA_MESSAGE_CAPACITY - 3);
    EXPECT_EQ(ST_OUT_OF_BOUNDS, writer.WriteU32(0xFFFFFFFF));
    EXPECT_TRUE(writer.HasError());
    EXPECT_EQ(0u, block->Used);
    EXPECT_EQ(0, block->Data[DATA_MESSAGE_CAPACITY - 1]);
    EXPECT_EQ(ST_SUCCESS, writer.Write("abc", 3));
    EXPECT_EQ(DATA_MESSAGE_CAPACITY, block->Used);
    EXPECT_TRUE(writer.HasError()) << "the first failure stays visible";
    EXPECT_EQ(ST_OUT_OF_BOUNDS, writer.Seek(DATA_MESSAGE_CAPACITY + 1));
}

TEST(MessageReader, ReadsStopAtTheUsedLength)
{
    std::unique_ptr<CDataAllocator::Block, BlockDeleter> block(CDataAllocator::Allocate());
    const std::uint8_t bytes[] = {1, 2, 3, 4, 5, 6};
    std::memcpy(block->Data, bytes, sizeof bytes);
    block->Used = 6;
    CMessageReader reader(*block);
    std::uint32_t value = 0;
    EXPECT_EQ(ST_SUCCESS, reader.ReadU32(value));
    EXPECT_EQ(0x04030201u, value);
    EXPECT_EQ(ST_OUT_OF_BOUNDS, reader.ReadU32(value)) << "only two bytes are left";
    EXPECT_TRUE(reader.HasError());
    EXPECT_EQ(4u, reader.GetPosition()) << "a failed read consumes nothing";
    std::uint16_t tail = 0;
    EXPECT_EQ(ST_SUCCESS, reader.ReadU16(tail));
    EXPECT_EQ(0x0605, tail);
    EXPECT_EQ(0u, reader.GetRemaining());
    std::uint8_t byte = 0;
    EXPECT_EQ(ST_OUT_OF_BOUNDS, reader.ReadU8(byte));
}

TEST(MessageReader, UsedLengthBeyondTheBlockIsCutToTheBlock)
{
    std::unique_ptr<CDataAllocator::Block, BlockDeleter> block(CDataAllocator::Allocate());
    block->Used = 0xFFFFFFFF;
    CMessageReader reader(*block);
    EXPECT_EQ(DATA_MESSAGE_CAPACITY, reader.GetLength());
    EXPECT_EQ(ST_SUCCESS, reader.Skip(DATA_MESSAGE_CAPACITY));
    std::uint8_t byte = 0;
    EXPECT_EQ(ST_OUT_OF_BOUNDS, reader.ReadU8(byte));
}

TEST(IPCMessageHeader, HeaderTakesTheUsedLengthAndAtLeastEight)
{
    IPCMessageBlock block{};
    EXPECT_EQ(ST_SUCCESS, WriteIPCMessageHeader(block, 2));
    EXPECT_EQ(8u, block.Used);
    const std::uint8_t empty[] = {8, 0, 0, 0, 2, 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(empty, block.Data, 8));

    CMessageWriter body(block, IPCMessageHeader::SIZE);
    EXPECT_EQ(ST_SUCCESS, body.WriteU32(7));
    EXPECT_EQ(ST_SUCCESS, body.WriteU32(9));
    EXPECT_EQ(ST_SUCCESS, body.WriteU32(11));
    EXPECT_EQ(ST_SUCCESS, WriteIPCMessageHeader(block, 3));
    CMessageReader reader(block);
    IPCMessageHeader header;
    EXPECT_EQ(ST_SUCCESS, MessageHeaderTraits<IPCMessageHeader>::Decode(reader, header));
    EXPECT_EQ(20u, header.Length);
    EXPECT_EQ(3u, header.Type);
    EXPECT_EQ(12u, reader.GetRemaining());
}
