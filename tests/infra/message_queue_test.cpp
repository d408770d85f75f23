#include <gtest/gtest.h>

#include "infra/Dispatcher.h"
#include "infra/MessageQueue.h"
#include "infra/os/Socket.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

using namespace sti;

namespace {

// A record that can tell whether it arrived whole: every byte follows from (source, sequence).
template <std::size_t N>
struct SRecord {
    std::uint32_t source;
    std::uint32_t sequence;
    std::uint8_t payload[N - 8];

    static SRecord Make(std::uint32_t source, std::uint32_t sequence)
    {
        SRecord record;
        record.source = source;
        record.sequence = sequence;
        for (std::size_t i = 0; i < sizeof record.payload; ++i) {
            record.payload[i] = std::uint8_t(source * 31 + sequence * 7 + i);
        }
        return record;
    }
    bool IsWhole() const
    {
        const SRecord expected = Make(source, sequence);
        return std::memcmp(this, &expected, sizeof(SRecord)) == 0;
    }
};

using SAntSized = SRecord<88>;
using SManagerSized = SRecord<184>;
static_assert(sizeof(SAntSized) == 88 && sizeof(SManagerSized) == 184, "record sizes");

template <class TMessage>
class CCollector : public CMessageQueueHandler<TMessage> {
public:
    using Base = CMessageQueueHandler<TMessage>;
    using Base::OnError;
    using Base::OnRemoved;

    Status OnQueueMessage(const TMessage& message) override
    {
        received.push_back(message);
        return result;
    }
    // Owned by the test.
    Status OnRemoved(CMessageQueue<TMessage>*) override { return ST_SUCCESS; }
    Status OnError(CMessageQueue<TMessage>*, Status code) override
    {
        ADD_FAILURE() << "queue failed with " << code;
        return code;
    }

    Status ReadEvent(CMessageQueue<TMessage>& queue)
    {
        IBaseSockEventHandler& base = *this;
        return base.OnRead(&queue);
    }

    std::vector<TMessage> received;
    Status result = ST_SUCCESS;
};

template <class TMessage>
struct SQueuePair {
    std::unique_ptr<CMessageQueue<TMessage>> producer;
    std::unique_ptr<CMessageQueue<TMessage>> consumer;

    explicit SQueuePair(bool smallPipe = false)
    {
        EXPECT_EQ(ST_SUCCESS, CMessageQueue<TMessage>::CreatePair(producer, consumer));
        if (smallPipe && producer) {
            // A small send buffer makes the pipe fill after some tens of kilobytes. (A small
            // receive buffer would not do: loopback then stalls on zero-window probes.)
            EXPECT_EQ(ST_SUCCESS, STI_OS::SetSendBufferSize(producer->GetHandle(), 8192));
        }
    }

    // Raw bytes into the pipe, bypassing the queue's framing.
    void WriteRaw(const void* data, std::uint32_t length)
    {
        std::uint32_t sent = 0;
        ASSERT_EQ(ST_SUCCESS, producer->GetWrapped()->Write(length, data, sent));
        ASSERT_EQ(length, sent);
    }
};

// Loopback delivery is quick but not instant everywhere.
void LetBytesArrive()
{
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

} // namespace

TEST(MessageQueue, MessagesArrivingTogetherAreAllDeliveredInOneReadEventInOrder)
{
    SQueuePair<SAntSized> pipe;
    CCollector<SAntSized> handler;
    for (std::uint32_t i = 0; i < 9; ++i) {
        ASSERT_EQ(ST_SUCCESS, pipe.producer->Write(SAntSized::Make(1, i)));
    }
    LetBytesArrive();
    EXPECT_EQ(ST_SUCCESS, handler.ReadEvent(*pipe.consumer));
    ASSERT_EQ(9u, handler.received.size()) << "none may wait for a later event";
    for (std::uint32_t i = 0; i < 9; ++i) {
        EXPECT_EQ(i, handler.received[i].sequence);
        EXPECT_TRUE(handler.received[i].IsWhole());
    }
    EXPECT_EQ(0u, pipe.consumer->GetReadBuffered());
}

TEST(MessageQueue, PartlyArrivedMessageWaitsForItsRestInsteadOfFailing)
{
    SQueuePair<SAntSized> pipe;
    CCollector<SAntSized> handler;
    const SAntSized record = SAntSized::Make(2, 5);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&record);
    pipe.WriteRaw(bytes, 50);
    LetBytesArrive();
    EXPECT_EQ(ST_SUCCESS, handler.ReadEvent(*pipe.consumer));
    EXPECT_TRUE(handler.received.empty());

    pipe.WriteRaw(bytes + 50, sizeof record - 50);
    LetBytesArrive();
    EXPECT_EQ(ST_SUCCESS, handler.ReadEvent(*pipe.consumer));
    ASSERT_EQ(1u, handler.received.size());
    EXPECT_TRUE(handler.received[0].IsWhole());
    EXPECT_EQ(5u, handler.received[0].sequence);
}

TEST(MessageQueue, MessagesThatWrapAroundTheRingArriveContiguousAndUnchanged)
{
    SQueuePair<SAntSized> pipe;
    CCollector<SAntSized> handler;
    std::vector<std::uint8_t> stream;
    for (std::uint32_t i = 0; i < 60; ++i) {
        const SAntSized record = SAntSized::Make(3, i);
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(&record);
        stream.insert(stream.end(), bytes, bytes + sizeof record);
    }
    // Chunks that never line up with the records push the data round the ring.
    for (std::size_t at = 0; at < stream.size(); at += 300) {
        const std::size_t length = std::min<std::size_t>(300, stream.size() - at);
        pipe.WriteRaw(stream.data() + at, static_cast<std::uint32_t>(length));
        LetBytesArrive();
        ASSERT_EQ(ST_SUCCESS, handler.ReadEvent(*pipe.consumer));
    }
    ASSERT_EQ(60u, handler.received.size());
    for (std::uint32_t i = 0; i < 60; ++i) {
        EXPECT_EQ(i, handler.received[i].sequence);
        EXPECT_TRUE(handler.received[i].IsWhole()) << i;
    }
}

TEST(MessageQueue, ConsumerFailureDoesNotCloseTheQueueButAReadErrorDoes)
{
    SQueuePair<SAntSized> pipe;
    CCollector<SAntSized> handler;
    handler.result = ST_FAIL;
    ASSERT_EQ(ST_SUCCESS, pipe.producer->Write(SAntSized::Make(4, 0)));
    ASSERT_EQ(ST_SUCCESS, pipe.producer->Write(SAntSized::Make(4, 1)));
    LetBytesArrive();
    EXPECT_EQ(ST_SUCCESS, handler.ReadEvent(*pipe.consumer));
    EXPECT_EQ(2u, handler.received.size());

    ASSERT_EQ(ST_SUCCESS, pipe.producer->Write(SAntSized::Make(4, 2)));
    pipe.producer.reset();
    LetBytesArrive();
    EXPECT_EQ(ST_CONNECTION_CLOSED, handler.ReadEvent(*pipe.consumer));
    ASSERT_EQ(3u, handler.received.size()) << "what arrived before the close is delivered";
    EXPECT_EQ(2u, handler.received[2].sequence);
}

TEST(MessageQueue, MessageMeetingAFullPipeIsKeptWholeAndLeavesBeforeLaterOnes)
{
    SQueuePair<SManagerSized> pipe(true);
    CCollector<SManagerSized> handler;
    std::uint32_t sequence = 0;
    std::uint32_t written = 0;
    bool pending = false;
    // Straight into the pipe until it is full; the first record that does not fit stays
    // whole in the write buffer.
    while (!pending) {
        const SManagerSized record = SManagerSized::Make(5, sequence);
        ASSERT_EQ(ST_SUCCESS, pipe.producer->BufferedWrite(&record, sizeof record, sizeof record, written, pending));
        ASSERT_EQ(sizeof(SManagerSized), written);
        ++sequence;
        ASSERT_LT(sequence, 100000u) << "the pipe never filled";
    }
    ASSERT_GT(pipe.producer->GetWriteBuffered(), 0u);
    // Later records go out behind it (straight, or buffered behind it).
    for (int i = 0; i < 3; ++i) {
        const SManagerSized record = SManagerSized::Make(5, sequence);
        ASSERT_EQ(ST_SUCCESS, pipe.producer->BufferedWrite(&record, sizeof record, sizeof record, written, pending));
        ++sequence;
    }

    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (handler.received.size() < sequence && std::chrono::steady_clock::now() < until) {
        const Status flushed = pipe.producer->Flush();
        ASSERT_TRUE(flushed == ST_SUCCESS || flushed == ST_TRY_LATER) << flushed;
        ASSERT_EQ(ST_SUCCESS, handler.ReadEvent(*pipe.consumer));
    }
    ASSERT_EQ(sequence, handler.received.size());
    for (std::uint32_t i = 0; i < sequence; ++i) {
        ASSERT_EQ(i, handler.received[i].sequence);
        ASSERT_TRUE(handler.received[i].IsWhole()) << i;
    }
}

TEST(MessageQueue, WriterWaitsWhileThePipeIsFullAndLosesNothing)
{
    SQueuePair<SManagerSized> pipe(true);
    CCollector<SManagerSized> handler;
    using Clock = std::chrono::steady_clock;
    // The consumer starts only once a Write has been held up by the full pipe; the producer
    // then writes a few hundred more.
    std::atomic<bool> writing{false};
    std::atomic<Clock::rep> writeStarted{0};
    std::atomic<bool> consuming{false};
    std::atomic<std::uint32_t> total{0};
    std::atomic<bool> done{false};
    std::thread producer([&] {
        std::uint32_t extra = 0;
        for (std::uint32_t i = 0; i < 200000 && extra < 300; ++i) {
            writeStarted = Clock::now().time_since_epoch().count();
            writing = true;
            ASSERT_EQ(ST_SUCCESS, pipe.producer->Write(SManagerSized::Make(6, i)));
            writing = false;
            total = i + 1;
            if (consuming) {
                ++extra;
            }
        }
        done = true;
    });
    const auto giveUp = Clock::now() + std::chrono::seconds(60);
    while (!done && Clock::now() < giveUp) {
        const Clock::time_point started{Clock::duration(writeStarted.load())};
        if (writing && Clock::now() - started > std::chrono::milliseconds(100)) {
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_FALSE(done) << "the pipe never filled";
    consuming = true;
    while (!(done && handler.received.size() == total) && Clock::now() < giveUp) {
        ASSERT_EQ(ST_SUCCESS, handler.ReadEvent(*pipe.consumer));
    }
    producer.join();
    ASSERT_EQ(total.load(), handler.received.size());
    for (std::uint32_t i = 0; i < total; ++i) {
        ASSERT_EQ(i, handler.received[i].sequence);
        ASSERT_TRUE(handler.received[i].IsWhole()) << i;
    }
}

TEST(MessageQueue, BurstsFromTwoThreadsNeverInterleaveRecords)
{
    SQueuePair<SManagerSized> pipe(true);
    auto* handler = new CCollector<SManagerSized>();
    CDispatcher* dispatcher = CDispatcher::Instance();
    ASSERT_NE(nullptr, dispatcher);
    CMessageQueue<SManagerSized>* consumer = pipe.consumer.release();
    ASSERT_EQ(ST_SUCCESS, dispatcher->Register(consumer, handler, INTEREST_READ));

    constexpr std::uint32_t PER_THREAD = 1000;
    auto burst = [&](std::uint32_t source) {
        for (std::uint32_t i = 0; i < PER_THREAD; ++i) {
            ASSERT_EQ(ST_SUCCESS, pipe.producer->Write(SManagerSized::Make(source, i)));
        }
    };
    std::thread first(burst, 10);
    std::thread second(burst, 20);
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (handler->received.size() < 2 * PER_THREAD && std::chrono::steady_clock::now() < until) {
        EXPECT_EQ(ST_SUCCESS, dispatcher->Run(10));
    }
    first.join();
    second.join();

    ASSERT_EQ(2 * PER_THREAD, handler->received.size());
    std::uint32_t next[2] = {0, 0};
    for (const SManagerSized& record : handler->received) {
        ASSERT_TRUE(record.IsWhole());
        ASSERT_TRUE(record.source == 10 || record.source == 20);
        std::uint32_t& expected = next[record.source == 10 ? 0 : 1];
        ASSERT_EQ(expected, record.sequence) << "each thread's records keep their order";
        ++expected;
    }

    dispatcher->Close(consumer, false);
    EXPECT_EQ(ST_SUCCESS, dispatcher->Run(0));
    delete handler;
}
