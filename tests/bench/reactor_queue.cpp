// Messages per second through a pipe message queue between two threads: one producer writes
// fixed-size messages as fast as the queue takes them, a consumer thread runs its dispatcher
// and takes them out. Each run lasts about half a second; the median of five runs is printed.
#include "infra/ConditionVariable.h"
#include "infra/Dispatcher.h"
#include "infra/MessageQueue.h"
#include "infra/Thread.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

template <std::size_t N>
struct SMessage {
    std::uint32_t sequence;
    std::uint8_t payload[N - 4];
};

template <class TMessage>
class CCounter : public sti::CMessageQueueHandler<TMessage> {
public:
    using sti::CMessageQueueHandler<TMessage>::OnRemoved;

    Status OnQueueMessage(const TMessage& message) override
    {
        if (message.sequence != received.load(std::memory_order_relaxed)) {
            outOfOrder = true;
        }
        received.fetch_add(1, std::memory_order_relaxed);
        return ST_SUCCESS;
    }
    Status OnRemoved(sti::CMessageQueue<TMessage>*) override { return ST_SUCCESS; } // the run owns it

    std::atomic<std::uint32_t> received{0};
    bool outOfOrder = false;
};

// Runs its own dispatcher over the consumer end until the expected count has arrived.
template <class TMessage>
class CConsumerThread : public sti::CThread {
public:
    CConsumerThread(sti::CMessageQueue<TMessage>* queue, CCounter<TMessage>& counter)
        : sti::CThread("BENCH"), m_queue(queue), m_counter(counter)
    {}
    ~CConsumerThread() override
    {
        RequestStop();
        (void)Wait(sti::WAIT_INFINITE); // ends only when the thread has
    }

    std::atomic<std::uint32_t> expected{0xFFFFFFFFu};
    std::atomic<bool> registered{false};

protected:
    std::uint32_t Run() override
    {
        sti::CDispatcher* dispatcher = sti::CDispatcher::Instance();
        if (dispatcher == nullptr || dispatcher->Register(m_queue, &m_counter, sti::INTEREST_READ) != ST_SUCCESS) {
            delete m_queue;
            registered = true;
            return 1;
        }
        registered = true;
        while (m_counter.received.load() < expected.load() && !IsStopRequested()) {
            (void)dispatcher->Run(10); // a broken poller sleeps its round; the count decides
        }
        dispatcher->Close(m_queue, false);
        (void)dispatcher->Run(0); // deletes the closed queue; nothing to measure
        return 0;
    }

private:
    sti::CMessageQueue<TMessage>* m_queue; // handed to the dispatcher
    CCounter<TMessage>& m_counter;
};

template <class TMessage>
double MessagesPerSecond()
{
    std::unique_ptr<sti::CMessageQueue<TMessage>> producer;
    std::unique_ptr<sti::CMessageQueue<TMessage>> consumer;
    if (sti::CMessageQueue<TMessage>::CreatePair(producer, consumer) != ST_SUCCESS) {
        return 0;
    }
    CCounter<TMessage> counter;
    CConsumerThread<TMessage> thread(consumer.release(), counter);
    if (thread.Start() != ST_SUCCESS) {
        return 0;
    }
    while (!thread.registered.load()) {
        std::this_thread::yield();
    }
    TMessage message;
    std::memset(&message, 0x5A, sizeof message);
    const auto start = Clock::now();
    const auto stopWriting = start + std::chrono::milliseconds(500);
    std::uint32_t sent = 0;
    while (Clock::now() < stopWriting) {
        for (int i = 0; i < 64; ++i) {
            message.sequence = sent;
            if (producer->Write(message) != ST_SUCCESS) {
                return 0;
            }
            ++sent;
        }
    }
    thread.expected = sent;
    (void)thread.Wait(sti::WAIT_INFINITE); // ends only when the thread has
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (counter.received.load() != sent || counter.outOfOrder) {
        return 0;
    }
    return seconds > 0 ? sent / seconds : 0;
}

template <class TMessage>
double Median()
{
    std::vector<double> runs;
    for (int i = 0; i < 5; ++i) {
        runs.push_back(MessagesPerSecond<TMessage>());
    }
    std::sort(runs.begin(), runs.end());
    return runs[runs.size() / 2];
}

} // namespace

int main()
{
    std::printf("queue of 88-byte messages, two threads | %.0f | messages/s\n", Median<SMessage<88>>());
    std::printf("queue of 184-byte messages, two threads | %.0f | messages/s\n", Median<SMessage<184>>());
    return 0;
}
