#include <gtest/gtest.h>

#include "infra/Dispatcher.h"
#include "infra/IPCMessageHeader.h"
#include "infra/MessageSocketHandler.h"
#include "infra/Pipe.h"
#include "infra/TimeValue.h"
#include "infra/os/Clock.h"
#include "support/FakeStream.h"
#include "support/TestDataHeader.h"

#include <chrono>
#include <functional>
#include <thread>
#include <type_traits>
#include <vector>

using namespace sti;
using testing_support::CFakeStream;
using testing_support::DataMessage;
using testing_support::STestDataHeader;
using testing_support::ThreadMessage;

namespace {

struct SReceived {
    std::uint32_t type;
    std::uint32_t length;
    std::vector<std::uint8_t> body;
};

// Records what it is given; the test owns it, so removal does not delete it.
template <class TSocket, class THeader, class TAllocator>
class CRecordingHandler : public CMessageSocketHandler<TSocket, THeader, TAllocator> {
public:
    using Base = CMessageSocketHandler<TSocket, THeader, TAllocator>;
    using Base::OnDetach;
    using Base::OnRemoved;
    using typename Base::Block;

    Status CheckMessage(Block& message) override
    {
        (void)message;
        ++checked;
        return checkResult;
    }
    Status BeforeSend(Block& message) override
    {
        (void)message;
        return beforeSendResult;
    }
    Status OnMessage(const THeader& header, CMessageReader& reader) override
    {
        SReceived item{header.Type, header.Length, std::vector<std::uint8_t>(reader.GetRemaining())};
        EXPECT_EQ(ST_SUCCESS, reader.Read(item.body.data(), reader.GetRemaining()));
        received.push_back(item);
        return deliverResult;
    }
    Status ProduceOutput() override
    {
        if (produceLeft == 0) {
            return ST_NO_MORE_DATA;
        }
        --produceLeft;
        if constexpr (std::is_same<THeader, STestDataHeader>::value) {
            return this->SendCode(100 + produceLeft);
        } else {
            return ST_NOT_IMPLEMENTED;
        }
    }
    Status OnDetach(TSocket* object, int reason) override
    {
        detachReasons.push_back(reason);
        return Base::OnDetach(object, reason);
    }
    Status OnRemoved(TSocket*) override
    {
        ++removed;
        return ST_SUCCESS;
    }

    std::vector<SReceived> received;
    std::vector<int> detachReasons;
    int checked = 0;
    int removed = 0;
    int produceLeft = 0;
    Status checkResult = ST_SUCCESS;
    Status beforeSendResult = ST_SUCCESS;
    Status deliverResult = ST_SUCCESS;
};

using CDataHandler = CRecordingHandler<CFakeStream, STestDataHeader, SimpleAllocator<DATA_MESSAGE_CAPACITY>>;
using CThreadHandler = CRecordingHandler<CFakeStream, IPCMessageHeader, IPCMessageAllocator>;
using CPipeHandler = CRecordingHandler<CPipe, STestDataHeader, SimpleAllocator<DATA_MESSAGE_CAPACITY>>;

template <class THandler>
Status ReadEvent(THandler& handler, CFakeStream& stream)
{
    IBaseSockEventHandler& base = handler;
    return base.OnRead(&stream);
}

template <class THandler>
Status WriteEvent(THandler& handler, CFakeStream& stream)
{
    IBaseSockEventHandler& base = handler;
    return base.OnWrite(&stream);
}

template <class THandler>
void Attach(THandler& handler, IPollableObject& object)
{
    IBaseSockEventHandler& base = handler;
    EXPECT_EQ(ST_SUCCESS, base.OnAttach(&object));
}

SimpleAllocator<DATA_MESSAGE_CAPACITY>::Block* BlockOf(const std::vector<std::uint8_t>& bytes)
{
    auto* block = SimpleAllocator<DATA_MESSAGE_CAPACITY>::Allocate();
    std::copy(bytes.begin(), bytes.end(), block->Data);
    block->Used = static_cast<std::uint32_t>(bytes.size());
    return block;
}

std::vector<std::uint8_t> Join(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b)
{
    std::vector<std::uint8_t> all(a);
    all.insert(all.end(), b.begin(), b.end());
    return all;
}

} // namespace

// --- Receiving -----------------------------------------------------------------------------

TEST(MessageFraming, MessageArrivingOneBytePerEventIsAssembledAndDeliveredOnce)
{
    CFakeStream stream;
    CDataHandler handler;
    const auto message = DataMessage(3, 11, 0x40);
    for (std::size_t i = 0; i < message.size(); ++i) {
        stream.Arrive(&message[i], 1);
        ASSERT_EQ(ST_SUCCESS, ReadEvent(handler, stream)) << "byte " << i;
        ASSERT_EQ(i + 1 == message.size() ? 1u : 0u, handler.received.size()) << "byte " << i;
    }
    ASSERT_EQ(1u, handler.received.size());
    EXPECT_EQ(3u, handler.received[0].type);
    EXPECT_EQ(11u, handler.received[0].length);
    EXPECT_EQ(std::vector<std::uint8_t>(message.begin() + 4, message.end()), handler.received[0].body);
    EXPECT_EQ(0u, handler.GetBytesReceived());
}

TEST(MessageFraming, FiveMessagesPerReadableEventAndTheSixthOnTheNext)
{
    CFakeStream stream;
    CDataHandler handler;
    std::vector<std::uint8_t> burst;
    for (std::uint8_t i = 0; i < 6; ++i) {
        burst = Join(burst, DataMessage(i + 1, 4 + i, i));
    }
    stream.Arrive(burst);

    ASSERT_EQ(ST_SUCCESS, ReadEvent(handler, stream));
    EXPECT_EQ(5u, handler.received.size());
    EXPECT_EQ(9u, stream.Unread()) << "the sixth message stays in the socket";

    ASSERT_EQ(ST_SUCCESS, ReadEvent(handler, stream));
    ASSERT_EQ(6u, handler.received.size());
    for (std::uint32_t i = 0; i < 6; ++i) {
        EXPECT_EQ(i + 1, handler.received[i].type);
        EXPECT_EQ(i, handler.received[i].body.size());
    }
}

TEST(MessageFraming, DataLengthsFromFourTo66564AreAcceptedOthersAreFramingErrors)
{
    for (std::uint32_t length : {4u, 66564u}) {
        CFakeStream stream;
        CDataHandler handler;
        stream.Arrive(DataMessage(1, length));
        EXPECT_EQ(ST_SUCCESS, ReadEvent(handler, stream)) << length;
        ASSERT_EQ(1u, handler.received.size()) << length;
        EXPECT_EQ(length - 4, handler.received[0].body.size());
    }
    for (std::uint32_t length : {0u, 3u, 66565u, 0xFFFFFFu}) {
        CFakeStream stream;
        CDataHandler handler;
        stream.Arrive(DataMessage(1, 4));
        stream.Arrive(DataMessage(1, length).data(), 4);
        EXPECT_EQ(ST_SOCKET_ERROR, ReadEvent(handler, stream)) << length;
        EXPECT_EQ(1u, handler.received.size()) << "messages before the bad header still count";
        EXPECT_EQ(0u, handler.GetBytesReceived());
    }
}

TEST(MessageFraming, ThreadMessageShorterThanItsHeaderIsAFramingErrorAndLongerThanTheBlockOutOfBounds)
{
    for (std::uint32_t length = 0; length < 8; ++length) {
        CFakeStream stream;
        CThreadHandler handler;
        stream.Arrive(ThreadMessage(1, length));
        EXPECT_EQ(ST_SOCKET_ERROR, ReadEvent(handler, stream)) << length;
        EXPECT_TRUE(handler.received.empty());
    }
    {
        CFakeStream stream;
        CThreadHandler handler;
        stream.Arrive(ThreadMessage(9, 8));
        stream.Arrive(ThreadMessage(10, 8192, 3));
        EXPECT_EQ(ST_SUCCESS, ReadEvent(handler, stream));
        ASSERT_EQ(2u, handler.received.size());
        EXPECT_TRUE(handler.received[0].body.empty());
        EXPECT_EQ(10u, handler.received[1].type);
        EXPECT_EQ(8184u, handler.received[1].body.size());
        EXPECT_EQ(std::uint8_t(3 + 8191), handler.received[1].body.back());
    }
    {
        CFakeStream stream;
        CThreadHandler handler;
        stream.Arrive(ThreadMessage(10, 8193));
        EXPECT_EQ(ST_OUT_OF_BOUNDS, ReadEvent(handler, stream));
        EXPECT_TRUE(handler.received.empty());
    }
}

TEST(MessageFraming, PeerClosingMidMessageEndsTheReadAndDropsThePart)
{
    CFakeStream stream;
    CDataHandler handler;
    const auto message = DataMessage(2, 100);
    stream.Arrive(message.data(), 60);
    EXPECT_EQ(ST_SUCCESS, ReadEvent(handler, stream));
    EXPECT_EQ(60u, handler.GetBytesReceived());
    stream.ArriveClose();
    EXPECT_EQ(ST_CONNECTION_CLOSED, ReadEvent(handler, stream));
    EXPECT_TRUE(handler.received.empty());
    EXPECT_EQ(0u, handler.GetBytesReceived());
}

TEST(MessageFraming, RefusedOrFailedMessageEndsTheReadAndLeavesTheNextInTheSocket)
{
    CFakeStream stream;
    CDataHandler handler;
    stream.Arrive(Join(DataMessage(1, 6), DataMessage(2, 6)));

    handler.checkResult = ST_INVALID_MESSAGE;
    EXPECT_EQ(ST_INVALID_MESSAGE, ReadEvent(handler, stream));
    EXPECT_TRUE(handler.received.empty()) << "a refused message is not decoded";
    EXPECT_EQ(6u, stream.Unread());

    handler.checkResult = ST_SUCCESS;
    handler.deliverResult = ST_NOT_IMPLEMENTED;
    EXPECT_EQ(ST_NOT_IMPLEMENTED, ReadEvent(handler, stream));
    ASSERT_EQ(1u, handler.received.size());
    EXPECT_EQ(2u, handler.received[0].type);
}

// --- Sending -------------------------------------------------------------------------------

TEST(MessageSending, MessageSentWhileAnotherIsHalfWrittenGoesOutBehindIt)
{
    // A real socket handle, so the dispatcher can take write interest for the fake.
    STI_OS::SocketHandle mine = STI_OS::INVALID_SOCKET_HANDLE;
    STI_OS::SocketHandle peer = STI_OS::INVALID_SOCKET_HANDLE;
    ASSERT_EQ(ST_SUCCESS, STI_OS::CreateLoopbackPair(mine, peer));
    CDispatcher* dispatcher = CDispatcher::Instance();
    ASSERT_NE(nullptr, dispatcher);
    auto* stream = new CFakeStream(mine);
    CDataHandler handler;
    ASSERT_EQ(ST_SUCCESS, dispatcher->Register(stream, &handler, INTEREST_READ));

    const auto first = DataMessage(1, 300, 1);
    const auto second = DataMessage(2, 50, 2);
    stream->SetWriteRoom(100);
    EXPECT_EQ(ST_SUCCESS, handler.SendMessage(BlockOf(first), SEND_NON_BLOCKING));
    EXPECT_EQ(ST_SUCCESS, handler.SendMessage(BlockOf(second), SEND_NON_BLOCKING));
    EXPECT_TRUE(handler.HasPendingOutput());
    EXPECT_EQ(std::vector<std::uint8_t>(first.begin(), first.begin() + 100), stream->Written());

    stream->SetWriteRoom(CFakeStream::UNLIMITED);
    EXPECT_EQ(ST_NO_MORE_DATA, WriteEvent(handler, *stream));
    EXPECT_EQ(Join(first, second), stream->Written());
    EXPECT_FALSE(handler.HasPendingOutput());

    dispatcher->Close(stream, false);
    EXPECT_EQ(ST_SUCCESS, dispatcher->Run(0));
    EXPECT_EQ(1, handler.removed);
    EXPECT_EQ(ST_SUCCESS, STI_OS::CloseSocket(peer));
}

TEST(MessageSending, BlockingSendReturnsOnlyAfterTheLastByteIsWritten)
{
    CFakeStream stream;
    CDataHandler handler;
    Attach(handler, stream);
    stream.SetWriteRoom(10);
    const auto message = DataMessage(4, 5000, 9);
    std::thread opener([&stream] {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        stream.SetWriteRoom(CFakeStream::UNLIMITED);
    });
    const auto started = std::chrono::steady_clock::now();
    const Status status = handler.SendMessage(BlockOf(message), SEND_BLOCKING);
    const auto waited = std::chrono::steady_clock::now() - started;
    opener.join();
    EXPECT_EQ(ST_SUCCESS, status);
    EXPECT_GE(waited, std::chrono::milliseconds(100));
    EXPECT_EQ(message, stream.Written());
}

TEST(MessageSending, RefusedOrUnwritableMessagesReportTheirStatus)
{
    CFakeStream stream;
    CDataHandler handler;
    EXPECT_EQ(ST_NOT_CONNECTED, handler.SendMessage(BlockOf(DataMessage(1, 8)), SEND_NON_BLOCKING));
    Attach(handler, stream);

    handler.beforeSendResult = ST_ACCESS_DENIED;
    EXPECT_EQ(ST_ACCESS_DENIED, handler.SendMessage(BlockOf(DataMessage(1, 8)), SEND_NON_BLOCKING));
    EXPECT_TRUE(stream.Written().empty());
    EXPECT_FALSE(handler.HasPendingOutput());

    handler.beforeSendResult = ST_SUCCESS;
    stream.FailWrites(ST_CONN_RESET);
    EXPECT_EQ(ST_CONN_RESET, handler.SendMessage(BlockOf(DataMessage(1, 8)), SEND_BLOCKING));
    EXPECT_EQ(ST_CONN_RESET, WriteEvent(handler, stream));
}

TEST(MessageSending, ProducerIsAskedOnWritableEventsUntilItHasNoMore)
{
    CFakeStream stream;
    CDataHandler handler;
    Attach(handler, stream);
    EXPECT_EQ(ST_NO_MORE_DATA, WriteEvent(handler, stream)) << "no output wanted: drop write interest";

    handler.SetOutputWanted(true);
    handler.produceLeft = 2;
    EXPECT_EQ(ST_SUCCESS, WriteEvent(handler, stream));
    EXPECT_EQ(ST_SUCCESS, WriteEvent(handler, stream));
    EXPECT_EQ(ST_NO_MORE_DATA, WriteEvent(handler, stream));
    EXPECT_FALSE(handler.IsOutputWanted());

    // Each produced message carries one code: header (8 << 8 | 6), then the u32.
    const std::vector<std::uint8_t> expected = {0x06, 0x08, 0, 0, 101, 0, 0, 0, 0x06, 0x08, 0, 0, 100, 0, 0, 0};
    EXPECT_EQ(expected, stream.Written());
}

// --- Timers --------------------------------------------------------------------------------

namespace {

bool RunUntil(CDispatcher& dispatcher, const std::function<bool()>& done, std::uint32_t limitMs)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) {
            return false;
        }
        EXPECT_EQ(ST_SUCCESS, dispatcher.Run(10));
    }
    return true;
}

} // namespace

TEST(MessageSocketTimer, AnyKeyedTimerOfTheObjectClosesItWithNotification)
{
    CDispatcher* dispatcher = CDispatcher::Instance();
    ASSERT_NE(nullptr, dispatcher);
    std::unique_ptr<CPipe> mine;
    std::unique_ptr<CPipe> peer;
    ASSERT_EQ(ST_SUCCESS, CPipe::CreatePair(mine, peer));
    CPipeHandler handler;
    CPipe* object = mine.release();
    ASSERT_EQ(ST_SUCCESS, dispatcher->Register(object, &handler, INTEREST_READ));
    ASSERT_EQ(ST_SUCCESS, dispatcher->SetObjectTimer(object, 20, 7));

    EXPECT_TRUE(RunUntil(
        *dispatcher, [&] { return handler.removed == 1; }, 3000));
    EXPECT_EQ(std::vector<int>{DETACH_CLOSED}, handler.detachReasons);
}

TEST(MessageSocketTimer, IdleTimeoutIsPushedBackByEveryReadableEvent)
{
    CDispatcher* dispatcher = CDispatcher::Instance();
    ASSERT_NE(nullptr, dispatcher);
    std::unique_ptr<CPipe> mine;
    std::unique_ptr<CPipe> peer;
    ASSERT_EQ(ST_SUCCESS, CPipe::CreatePair(mine, peer));
    CPipeHandler handler;
    CPipe* object = mine.release();
    ASSERT_EQ(ST_SUCCESS, dispatcher->Register(object, &handler, INTEREST_READ));
    ASSERT_EQ(ST_SUCCESS, handler.StartIdleTimer(300));

    // Traffic every 60 ms for well over the interval keeps the connection.
    const auto message = DataMessage(1, 6);
    for (int i = 0; i < 12; ++i) {
        std::uint32_t sent = 0;
        ASSERT_EQ(ST_SUCCESS, peer->Write(static_cast<std::uint32_t>(message.size()), message.data(), sent));
        const auto next = std::chrono::steady_clock::now() + std::chrono::milliseconds(60);
        while (std::chrono::steady_clock::now() < next) {
            EXPECT_EQ(ST_SUCCESS, dispatcher->Run(10));
        }
    }
    EXPECT_EQ(0, handler.removed);
    EXPECT_EQ(12u, handler.received.size());

    // Silence closes it.
    EXPECT_TRUE(RunUntil(
        *dispatcher, [&] { return handler.removed == 1; }, 5000));
    EXPECT_EQ(std::vector<int>{DETACH_CLOSED}, handler.detachReasons);
}
