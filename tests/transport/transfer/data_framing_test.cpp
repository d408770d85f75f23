// The data-message header driving the generic framing over a real socket pair.
#include <gtest/gtest.h>

#include "infra/Dispatcher.h"
#include "infra/MessageSocketHandler.h"
#include "support/TransferTestSupport.h"
#include "transport/transfer/DataMessages.h"

#include <memory>
#include <vector>

namespace {

using namespace transfer_test;

class CCollector : public sti::CMessageSocketHandler<TransportSocket, CTNDataMessageHeader> {
public:
    using Base = sti::CMessageSocketHandler<TransportSocket, CTNDataMessageHeader>;
    using Base::OnDetach;
    using Base::OnError;
    using Base::OnRemoved;

    Status OnMessage(const CTNDataMessageHeader& header, sti::CMessageReader& reader) override
    {
        received.push_back(
            SReceivedMessage{header.Type, Bytes(reader.GetCurrent(), reader.GetCurrent() + reader.GetRemaining())});
        lengths.push_back(header.Length);
        return ST_SUCCESS;
    }
    Status OnError(TransportSocket*, Status code) override
    {
        errors.push_back(code);
        return code;
    }
    // The test owns the collector.
    Status OnRemoved(TransportSocket*) override { return ST_SUCCESS; }

    std::vector<SReceivedMessage> received;
    std::vector<std::uint32_t> lengths;
    std::vector<Status> errors;
};

class DataFraming : public ::testing::Test {
protected:
    void SetUp() override
    {
        harness.reset(new CHarnessBase);
        STI_OS::SocketHandle mine = STI_OS::INVALID_SOCKET_HANDLE;
        STI_OS::SocketHandle other = STI_OS::INVALID_SOCKET_HANDLE;
        ASSERT_EQ(ST_SUCCESS, STI_OS::CreateLoopbackPair(mine, other));
        deleted = std::make_shared<bool>(false);
        socket = new CTrackedSocket(deleted);
        socket->AttachHandle(mine);
        ASSERT_EQ(ST_SUCCESS, harness->dispatcher->Register(socket, &collector, sti::INTEREST_READ));
        peer.reset(new CMessagePeer(other));
    }
    void TearDown() override
    {
        if (!*deleted) {
            harness->dispatcher->Close(socket, false);
        }
        EXPECT_EQ(ST_SUCCESS, harness->dispatcher->Run(0));
    }

    std::unique_ptr<CHarnessBase> harness;
    CCollector collector;
    CTrackedSocket* socket = nullptr;
    std::shared_ptr<bool> deleted;
    std::unique_ptr<CMessagePeer> peer;
};

TEST_F(DataFraming, LargestMessageAndEmptyBodyArriveWhole)
{
    Bytes payload = RandomBytes(MAX_DATA_BLOCK_PAYLOAD);
    SDataBlock body;
    body.Compression = BLOCK_RAW;
    body.Payload = payload.data();
    body.Length = MAX_DATA_BLOCK_PAYLOAD;
    auto largest = Build([&body](DataMessageBlock& block) { return WriteDataBlock(block, body); });
    ASSERT_EQ(66564u, largest->Used);
    Bytes empty = {0x07, 0x04, 0x00, 0x00}; // length 4, type 7
    ASSERT_TRUE(peer->Send(*largest));
    ASSERT_TRUE(peer->SendBytes(empty));
    ASSERT_TRUE(harness->RunUntil([this] { return collector.received.size() == 2; }));
    EXPECT_EQ(1u, collector.received[0].type);
    EXPECT_EQ(66564u, collector.lengths[0]);
    EXPECT_EQ(Bytes(payload.begin(), payload.begin() + 16),
              Bytes(collector.received[0].body.begin() + 20, collector.received[0].body.begin() + 36));
    EXPECT_EQ(7u, collector.received[1].type);
    EXPECT_TRUE(collector.received[1].body.empty());
    EXPECT_TRUE(collector.errors.empty());
}

TEST_F(DataFraming, HeaderBelowFourBytesBreaksTheConnection)
{
    ASSERT_TRUE(peer->SendBytes({0x01, 0x03, 0x00, 0x00}));
    ASSERT_TRUE(harness->RunUntil([this] { return *deleted; }));
    ASSERT_EQ(1u, collector.errors.size());
    EXPECT_EQ(ST_SOCKET_ERROR, collector.errors[0]);
    EXPECT_TRUE(collector.received.empty());
}

TEST_F(DataFraming, HeaderAbove66564BytesBreaksTheConnection)
{
    const std::uint32_t value = (66565u << 8) | 1;
    ASSERT_TRUE(peer->SendBytes(
        {std::uint8_t(value), std::uint8_t(value >> 8), std::uint8_t(value >> 16), std::uint8_t(value >> 24)}));
    ASSERT_TRUE(harness->RunUntil([this] { return *deleted; }));
    ASSERT_EQ(1u, collector.errors.size());
    EXPECT_EQ(ST_SOCKET_ERROR, collector.errors[0]);
}

} // namespace
