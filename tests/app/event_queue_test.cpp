// The blocking event queues between the worker threads and the user-interface thread, and the
// wake-up message that makes the user-interface thread drain them.

#include <chrono>
#include <thread>
#include <vector>

#include <gtest/gtest.h>
#include <windows.h>

#include "app/BlockingQueue.h"
#include "app/UIEvent.h"
#include "app/UINotify.h"

namespace {

long long MillisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

TEST(BlockingQueue, PopsInPushOrderAndTimesOutWhenEmpty)
{
    CBlockingQueue<SUIEvent> queue;
    SUIEvent e;
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(queue.Pop(e, 0));
    EXPECT_LT(MillisecondsSince(start), 50);

    ASSERT_TRUE(queue.Push(SUIEvent::Progress(7, 2, 5000000000LL, 6000000000LL, 3725)));
    ASSERT_TRUE(queue.Push(SUIEvent::State(3, UI_RATE_UNCHANGED, 1.5)));
    ASSERT_TRUE(queue.Push(SUIEvent::VersionNotice()));
    EXPECT_EQ(3u, queue.Size());
    ASSERT_TRUE(queue.Pop(e, 0));
    EXPECT_EQ(UI_EVENT_PROGRESS, e.kind);
    EXPECT_EQ(5000000000LL, e.a.count);
    EXPECT_EQ(6000000000LL, e.b.count);
    EXPECT_EQ(3725, e.remaining);
    ASSERT_TRUE(queue.Pop(e, 0));
    EXPECT_EQ(UI_EVENT_STATE, e.kind);
    EXPECT_EQ(UI_RATE_UNCHANGED, e.a.rate);
    EXPECT_EQ(0, e.remaining);
    ASSERT_TRUE(queue.Pop(e, 0));
    EXPECT_EQ(UI_EVENT_VERSION_NOTICE, e.kind);
    EXPECT_EQ(0, e.a.count);

    start = std::chrono::steady_clock::now();
    EXPECT_FALSE(queue.Pop(e, 150));
    EXPECT_GE(MillisecondsSince(start), 120);
    EXPECT_TRUE(queue.IsEmpty());
}

TEST(BlockingQueue, ManyProducersLoseNothingAndKeepTheirOwnOrder)
{
    struct Record {
        int producer;
        int sequence;
    };
    constexpr int PRODUCERS = 4;
    constexpr int EACH = 1500;
    CBlockingQueue<Record> queue;
    std::vector<std::thread> producers;
    for (int p = 0; p < PRODUCERS; ++p)
        producers.emplace_back([&queue, p] {
            // The first records come while the consumer already waits.
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            for (int i = 0; i < EACH; ++i)
                EXPECT_TRUE(queue.Push(Record{p, i}));
        });

    int next[PRODUCERS] = {};
    int received = 0;
    Record r{};
    while (received < PRODUCERS * EACH && queue.Pop(r, 2000)) {
        ASSERT_TRUE(r.producer >= 0 && r.producer < PRODUCERS);
        ASSERT_EQ(next[r.producer]++, r.sequence);
        ++received;
    }
    for (std::thread& t : producers)
        t.join();
    EXPECT_EQ(PRODUCERS * EACH, received);
    EXPECT_FALSE(queue.Pop(r, 0));
}

TEST(NotifyUI, PostsTheDrainTimerToTheMainDialogOnlyWhileItHasAWindow)
{
    EXPECT_FALSE(PostDrainRequest(nullptr));
    // Only the window's thread queue matters here: a message-only window needs no desktop, so
    // no display (a top-level window under the prefix's virtual desktop fails without one).
    HWND dialog = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, dialog);
    EXPECT_TRUE(PostDrainRequest(dialog));
    std::thread producer([dialog] { EXPECT_TRUE(PostDrainRequest(dialog)); });
    producer.join();
    std::vector<WPARAM> timers;
    MSG msg;
    while (PeekMessageW(&msg, dialog, WM_TIMER, WM_TIMER, PM_REMOVE))
        timers.push_back(msg.wParam);
    EXPECT_EQ((std::vector<WPARAM>{UI_DRAIN_TIMER_ID, UI_DRAIN_TIMER_ID}), timers);

    DestroyWindow(dialog);
    EXPECT_FALSE(PostDrainRequest(dialog));
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE));
}
