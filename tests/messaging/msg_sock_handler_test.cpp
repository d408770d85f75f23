#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

#include "infra/Dispatcher.h"
#include "infra/os/Clock.h"
#include "messaging/ClientBufferAllocator.h"
#include "messaging/MsgAddress.h"
#include "messaging/MsgSockHandler.h"
#include "messaging/Protocol.h"
#include "messaging/RoutingStrategy.h"
#include "support/ConnectionTestSupport.h"

using namespace msgtest;

namespace {

// A client communicator with one connection; commands 0 and 6 are recorded.
class MsgConnection : public ::testing::Test {
protected:
    void SetUp() override { Start(); }

    void Start(CMsgBufferAllocator* allocator = nullptr, sti::CTCPSocket* socket = nullptr,
               std::int32_t idleInterval = 0)
    {
        connection.Close();
        ASSERT_EQ(ST_SUCCESS,
                  communicator.Init(0, false, allocator ? allocator : ClientBufferAllocator<MSG_MAX_LENGTH>::Instance(),
                                    std::make_unique<CClientRoutingStrategy>()));
        EXPECT_EQ(ST_SUCCESS, communicator.RegisterCommand(0, &commands, false));
        EXPECT_EQ(ST_SUCCESS, communicator.RegisterCommand(KV2Protocol::CMD_KEEP_ALIVE, &commands, false));
        ASSERT_EQ(ST_SUCCESS, connection.Open(communicator, socket, idleInterval));
    }

    // One dispatcher round, waiting for the connection to be readable.
    void OneReadEvent() { EXPECT_EQ(ST_SUCCESS, sti::CDispatcher::Instance()->Run(1000)); }
    std::size_t Handled() const { return commands.Records.size(); }
    CMsgSockHandler* Route() const { return communicator.GetStrategy()->CurrentRoute(); }

    Status SendKeepAlive(int mode = 0)
    {
        CMsgStream stream;
        Status status = communicator.AllocMessage(stream);
        if (status == ST_SUCCESS)
            status = communicator.Send(KV2Protocol::ADDR_CLIENT_SERVICE, 0, KV2Protocol::CMD_KEEP_ALIVE,
                                       stream.Buffer(), mode);
        communicator.FreeMessage(stream);
        return status;
    }

    CRecordingCommands commands;
    CCommunicator communicator;
    CTestConnection connection; // closed before the communicator goes
};

using MsgSockHandlerFraming = MsgConnection;
using MsgSockHandlerRead = MsgConnection;
using MsgSockHandlerWrite = MsgConnection;
using MsgSockHandlerLifetime = MsgConnection;

// The first bytes of a message to command 6, with MessageLength set to the frame's length: were
// the reader to take bytes that never came, it would find a command that is handled.
Bytes ShortFrame(std::uint16_t length)
{
    Bytes frame = WireMessage(6, {}, 99);
    frame.resize(length);
    frame[0] = static_cast<std::uint8_t>(length);
    return frame;
}

} // namespace

TEST_F(MsgSockHandlerFraming, MessagesOfHeaderLengthAndOfTheLargestLengthArriveWhole)
{
    Bytes largest(MSG_MAX_LENGTH - MSG_HEADER_SIZE);
    for (std::size_t i = 0; i < largest.size(); ++i)
        largest[i] = static_cast<std::uint8_t>(i * 7 + 1);
    ASSERT_EQ(ST_SUCCESS, connection.Peer().SendBytes(Join({WireMessage(6, {}, 1), WireMessage(6, largest, 2)})));
    ASSERT_TRUE(Pump([&] { return Handled() == 2; }));
    EXPECT_EQ(24, commands.Records[0].Header.MessageLength);
    EXPECT_EQ(8192, commands.Records[1].Header.MessageLength);
    EXPECT_EQ(largest, commands.Records[1].Body);
    EXPECT_TRUE(connection.IsOpen());
}

TEST_F(MsgSockHandlerFraming, FramesShorterThanAHeaderAreDroppedAndTheMessageBehindThemArrivesWhole)
{
    for (std::uint16_t length : {3, 23}) {
        commands.Records.clear();
        ASSERT_EQ(ST_SUCCESS, connection.Peer().SendBytes(Join({ShortFrame(length), WireMessage(6, {9, 8}, 5)})));
        OneReadEvent();
        EXPECT_EQ(0u, Handled()) << length;
        EXPECT_TRUE(connection.IsOpen()) << length;
        ASSERT_TRUE(Pump([&] { return Handled() == 1; })) << length;
        EXPECT_EQ(5u, commands.Records[0].Header.SeqNumber) << length;
        EXPECT_EQ((Bytes{9, 8}), commands.Records[0].Body) << length;
    }
}

TEST_F(MsgSockHandlerFraming, LengthsOfTwoOrBeyondTheLargestLoseTheStreamAndEndTheConnection)
{
    for (std::uint16_t length : {2, 8193}) {
        Start();
        const Bytes frame{static_cast<std::uint8_t>(length & 0xFF), static_cast<std::uint8_t>(length >> 8)};
        ASSERT_EQ(ST_SUCCESS, connection.Peer().SendBytes(Join({frame, WireMessage(6)})));
        ASSERT_TRUE(Pump([&] { return connection.Probe.Removed; })) << length;
        EXPECT_EQ(ST_OUT_OF_SYNC, connection.Probe.ErrorCode) << length;
        EXPECT_EQ(sti::DETACH_ERROR, connection.Probe.DetachReason) << length;
        EXPECT_EQ(1, connection.Probe.ClosedCount) << "the service hears of it";
        EXPECT_EQ(nullptr, Route());
        EXPECT_EQ(0u, Handled());
    }
}

TEST_F(MsgSockHandlerFraming, MessagesTricklingInByteByByteAreAssembledOnce)
{
    for (std::uint8_t byte : Join({WireMessage(6, {1, 2, 3, 4, 5}), WireMessage(6, {6})})) {
        ASSERT_EQ(ST_SUCCESS, connection.Peer().SendBytes({byte}));
        EXPECT_EQ(ST_SUCCESS, sti::CDispatcher::Instance()->Run(0));
    }
    ASSERT_TRUE(Pump([&] { return Handled() == 2; }));
    EXPECT_EQ((Bytes{1, 2, 3, 4, 5}), commands.Records[0].Body);
    EXPECT_EQ((Bytes{6}), commands.Records[1].Body);
}

TEST_F(MsgSockHandlerRead, AMessageDroppedUnhandledLeavesTheNextForTheNextReadEvent)
{
    ASSERT_EQ(ST_SUCCESS, connection.Peer().SendBytes(Join({WireMessage(99), WireMessage(6, {}, 1)})));
    OneReadEvent();
    EXPECT_EQ(0u, Handled());
    EXPECT_TRUE(connection.IsOpen());
    OneReadEvent();
    ASSERT_EQ(1u, Handled());

    // A handler's failure drops its message the same way.
    commands.Result = ST_OUT_OF_BOUNDS;
    ASSERT_EQ(ST_SUCCESS, connection.Peer().SendBytes(Join({WireMessage(6, {}, 2), WireMessage(6, {}, 3)})));
    OneReadEvent();
    EXPECT_EQ(2u, Handled());
    commands.Result = ST_SUCCESS;
    OneReadEvent();
    ASSERT_EQ(3u, Handled());
    EXPECT_EQ(3u, commands.Records[2].Header.SeqNumber);
    EXPECT_TRUE(connection.IsOpen());
}

TEST_F(MsgSockHandlerRead, AReadEventHandlesFiftyMessagesAndLeavesTheRestForTheNext)
{
    std::vector<Bytes> sixty;
    for (std::uint32_t i = 0; i < 60; ++i)
        sixty.push_back(WireMessage(6, {}, i));
    ASSERT_EQ(ST_SUCCESS, connection.Peer().SendBytes(Join(sixty)));
    OneReadEvent();
    EXPECT_EQ(50u, Handled());
    OneReadEvent();
    ASSERT_EQ(60u, Handled());
    EXPECT_EQ(59u, commands.Records[59].Header.SeqNumber);
}

TEST_F(MsgSockHandlerRead, ANearlyFullAllocatorHoldsReadsBackWhateverTheNumbersWidth)
{
    CSteeredAllocator allocator;
    allocator.CapacityValue = 10;
    allocator.InUseValue = 9; // 45 > 40
    Start(&allocator);
    ASSERT_EQ(ST_SUCCESS, connection.Peer().SendBytes(WireMessage(6)));
    for (int i = 0; i < 3; ++i)
        OneReadEvent();
    EXPECT_EQ(0u, Handled());
    allocator.InUseValue = 8; // 40 > 40 does not hold
    ASSERT_TRUE(Pump([&] { return Handled() == 1; }));

    // In 32 bits five times this use wraps round to a small number.
    allocator.CapacityValue = 1000000000u;
    allocator.InUseValue = 900000000u;
    ASSERT_EQ(ST_SUCCESS, connection.Peer().SendBytes(WireMessage(6)));
    for (int i = 0; i < 3; ++i)
        OneReadEvent();
    EXPECT_EQ(1u, Handled());

    // All bits set in both, as the client's allocator reports them: never held back.
    allocator.CapacityValue = CMsgBufferAllocator::UNLIMITED;
    allocator.InUseValue = CMsgBufferAllocator::UNLIMITED;
    ASSERT_TRUE(Pump([&] { return Handled() == 2; }));
    connection.Close();
    EXPECT_EQ(0, allocator.Live) << "every buffer went back";
}

TEST_F(MsgSockHandlerLifetime, ALostConnectionIsReportedAndOneTheServiceClosesIsNot)
{
    connection.ClosePeer();
    ASSERT_TRUE(Pump([&] { return connection.Probe.Removed; }));
    EXPECT_EQ(1, connection.Probe.ClosedCount);
    EXPECT_EQ(sti::DETACH_ERROR, connection.Probe.DetachReason);
    EXPECT_NE(ST_SUCCESS, connection.Probe.ErrorCode);
    EXPECT_EQ(nullptr, Route());
    EXPECT_EQ(ST_SUCCESS, SendKeepAlive());
    EXPECT_EQ(0u, communicator.GetSendCounter()) << "dropped without a route";

    Start();
    ASSERT_EQ(ST_SUCCESS, communicator.RemoveHandler(connection.Socket()));
    ASSERT_TRUE(Pump([&] { return connection.Probe.Removed; }));
    EXPECT_EQ(0, connection.Probe.ClosedCount);
    EXPECT_EQ(0, connection.Probe.ErrorCount);
    EXPECT_EQ(sti::DETACH_CLOSED, connection.Probe.DetachReason);
    EXPECT_EQ(nullptr, Route());
}

TEST_F(MsgSockHandlerLifetime, AConnectedEventTakesALocalAddressAndArmsTheIdleTimerThatMessagesPutOff)
{
    Start(nullptr, nullptr, 400);
    sti::IBaseSockEventHandler& base = *connection.Handler();
    ASSERT_EQ(ST_SUCCESS, base.OnConnected(connection.Socket()));
    EXPECT_TRUE(connection.Handler()->IsConnected());
    const std::uint32_t local = connection.Handler()->GetContext().LocalAddress;
    EXPECT_TRUE(CMsgAddress(local).IsService());

    const std::uint64_t start = STI_OS::GetClock();
    for (std::uint32_t seq = 1; STI_OS::GetClock() - start < 1000; ++seq) {
        ASSERT_EQ(ST_SUCCESS, connection.Peer().SendBytes(WireMessage(6)));
        ASSERT_TRUE(Pump([&] { return Handled() == seq; }));
        ASSERT_FALSE(connection.Probe.Removed) << "closed after " << STI_OS::GetClock() - start << " ms";
        STI_OS::Sleep(20);
    }
    ASSERT_TRUE(Pump([&] { return connection.Probe.Removed; }));
    EXPECT_EQ(ST_TIMEOUT, connection.Probe.ErrorCode);
    EXPECT_EQ(1, connection.Probe.ClosedCount);
    EXPECT_EQ(nullptr, Route());

    Start();
    sti::IBaseSockEventHandler& next = *connection.Handler();
    ASSERT_EQ(ST_SUCCESS, next.OnConnected(connection.Socket()));
    EXPECT_NE(local, connection.Handler()->GetContext().LocalAddress);
    EXPECT_EQ(-1, connection.Handler()->GetTimerId()) << "no idle interval, no timer";
}

TEST_F(MsgSockHandlerWrite, SendsWhileTheSocketWouldBlockLeaveInOrderAndWhole)
{
    auto* throttled = new CThrottledSocket;
    throttled->Budget = 0;
    Start(nullptr, throttled);
    EXPECT_EQ(ST_SUCCESS, SendKeepAlive());
    EXPECT_EQ(ST_SUCCESS, SendKeepAlive());
    EXPECT_TRUE(connection.Handler()->HasPendingOutput());
    EXPECT_EQ(0u, connection.Peer().Pending(20));
    throttled->Budget = 30; // the first message and a piece of the second
    ASSERT_TRUE(Pump([&] { return throttled->Budget == 0; }));
    EXPECT_EQ(ST_SUCCESS, SendKeepAlive());
    throttled->Budget = -1;
    ASSERT_TRUE(Pump([&] { return !connection.Handler()->HasPendingOutput(); }));
    CMsgHeader header;
    Bytes body;
    for (std::uint32_t seq = 0; seq < 3; ++seq) {
        ASSERT_EQ(ST_SUCCESS, connection.Peer().ReceiveMessage(header, body));
        EXPECT_EQ(seq, header.SeqNumber);
        EXPECT_EQ(KV2Protocol::CMD_KEEP_ALIVE, header.Command);
    }
    EXPECT_EQ(0u, connection.Peer().Pending(20));
}

TEST_F(MsgSockHandlerWrite, BlockingModeReturnsOnlyOnceTheLastByteIsWritten)
{
    auto* throttled = new CThrottledSocket;
    throttled->Budget = 0;
    Start(nullptr, throttled);
    std::thread unblock([throttled] {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        throttled->Budget = -1;
    });
    const std::uint64_t start = STI_OS::GetClock();
    const Status status = SendKeepAlive(CMsgSockHandler::SEND_BLOCKING);
    const std::uint64_t waited = STI_OS::GetClock() - start;
    unblock.join();
    EXPECT_EQ(ST_SUCCESS, status);
    EXPECT_GE(waited, 100u);
    EXPECT_FALSE(connection.Handler()->HasPendingOutput());
    EXPECT_EQ(24u, connection.Peer().Pending(0));
}

TEST_F(MsgSockHandlerWrite, BuffersThatCannotBeSentAsTheyStandAreRefusedAndKeepTheirReference)
{
    CMsgSockHandler unattached(communicator, std::make_unique<CKV2ClientMsgSockVerifier>());
    CMsgStream stream;
    ASSERT_EQ(ST_SUCCESS, communicator.AllocMessage(stream));
    EXPECT_EQ(ST_SUCCESS, stream.WriteU32(1));
    CMsgBuffer* buffer = stream.Buffer();
    buffer->Data[0] = 28;
    EXPECT_EQ(ST_TRY_LATER, unattached.SendMessage(buffer, 0)) << "no connection";
    buffer->Data[0] = 100; // runs past the 28 bytes written
    EXPECT_EQ(ST_OUT_OF_BOUNDS, connection.Handler()->SendMessage(buffer, 0));
    buffer->Data[0] = 20; // shorter than a header
    EXPECT_EQ(ST_OUT_OF_BOUNDS, connection.Handler()->SendMessage(buffer, 0));
    EXPECT_EQ(1u, buffer->RefCount.load());
    EXPECT_EQ(0u, connection.Peer().Pending(20));

    buffer->Data[0] = 28;
    EXPECT_EQ(ST_SUCCESS, connection.Handler()->SendMessage(buffer, 0));
    EXPECT_EQ(1u, buffer->RefCount.load()) << "the handler let its own reference go once written";
    EXPECT_EQ(28u, connection.Peer().Pending(20));
    communicator.FreeMessage(stream);
}
