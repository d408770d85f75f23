#include "infra/TimerQueue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <vector>

using sti::CTimerQueue;
using sti::CTimeValue;

namespace {

CTimeValue At(std::uint64_t ms)
{
    return CTimeValue(ms, sti::TIME_UNIT_MILLISECONDS);
}

// Records every call; an optional action runs inside OnTimer.
class CRecorder : public sti::ITimeEventHandler {
public:
    Status OnTimer(int timerId, const CTimeValue& now, void* parameter) override
    {
        fired.push_back(timerId);
        firedParameters.push_back(parameter);
        lastNow = now;
        if (onTimer) {
            onTimer(timerId);
        }
        return ST_SUCCESS;
    }
    Status OnTimerRemoved(int timerId, void*) override
    {
        removed.push_back(timerId);
        return ST_SUCCESS;
    }

    std::vector<int> fired;
    std::vector<void*> firedParameters;
    std::vector<int> removed;
    CTimeValue lastNow;
    std::function<void(int)> onTimer;
};

class TimerQueueTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(ST_SUCCESS, queue.Initialize()); }

    int Add(std::uint64_t due, CRecorder& handler, void* parameter = nullptr)
    {
        int id = -1;
        EXPECT_EQ(ST_SUCCESS, queue.Add(At(due), &handler, parameter, id));
        return id;
    }

    CTimerQueue queue;
};

TEST_F(TimerQueueTest, FiresDueTimersInDueOrderAndOnlyOnceTheirTimeHasPassed)
{
    CRecorder handler;
    int late = Add(300, handler);
    int early = Add(100, handler);
    int middle = Add(200, handler);
    int exact = Add(400, handler);

    EXPECT_EQ(ST_SUCCESS, queue.FireDueTimers(At(400))); // due 400 is not before 400
    EXPECT_EQ((std::vector<int>{early, middle, late}), handler.fired);
    EXPECT_EQ(At(400), handler.lastNow);
    EXPECT_EQ((std::vector<int>{early, middle, late}), handler.removed);

    EXPECT_EQ(ST_SUCCESS, queue.FireDueTimers(At(401)));
    EXPECT_EQ(exact, handler.fired.back());
    EXPECT_EQ(0, queue.GetCount());
}

TEST_F(TimerQueueTest, CancelInsideOwnCallbackRemovesOnceAndDoesNotRearm)
{
    CRecorder handler;
    int id = Add(10, handler);
    handler.onTimer = [&](int firing) { EXPECT_EQ(ST_SUCCESS, queue.Cancel(firing)); };
    EXPECT_EQ(ST_SUCCESS, queue.FireDueTimers(At(20)));
    EXPECT_EQ(1u, handler.fired.size());
    EXPECT_EQ((std::vector<int>{id}), handler.removed);
    EXPECT_EQ(ST_SUCCESS, queue.FireDueTimers(At(1000)));
    EXPECT_EQ(1u, handler.fired.size());
    EXPECT_EQ(0, queue.GetCount());
}

TEST_F(TimerQueueTest, RescheduleInsideOwnCallbackKeepsTheTimerAlive)
{
    CRecorder handler;
    int id = Add(10, handler);
    int rounds = 0;
    handler.onTimer = [&](int firing) {
        if (++rounds < 3) {
            EXPECT_EQ(ST_SUCCESS, queue.Reschedule(firing, At(100 * rounds + 10)));
        }
    };
    EXPECT_EQ(ST_SUCCESS, queue.FireDueTimers(At(20)));
    EXPECT_TRUE(handler.removed.empty());
    EXPECT_EQ(ST_SUCCESS, queue.Find(id));
    EXPECT_EQ(ST_SUCCESS, queue.FireDueTimers(At(111)));
    EXPECT_EQ(ST_SUCCESS, queue.FireDueTimers(At(211)));
    EXPECT_EQ((std::vector<int>{id, id, id}), handler.fired);
    EXPECT_EQ((std::vector<int>{id}), handler.removed);
}

TEST_F(TimerQueueTest, CallbackMayCancelAnotherTimerAndAddNewOnes)
{
    CRecorder handler;
    int first = Add(10, handler);
    int second = Add(15, handler);
    int added = -1;
    handler.onTimer = [&](int firing) {
        if (firing == first) {
            EXPECT_EQ(ST_SUCCESS, queue.Cancel(second));
            EXPECT_EQ(ST_SUCCESS, queue.Add(At(5), &handler, nullptr, added));
        }
    };
    EXPECT_EQ(ST_SUCCESS, queue.FireDueTimers(At(20)));
    // The cancelled id is still held while its entry waits for removal.
    EXPECT_NE(second, added);
    EXPECT_EQ((std::vector<int>{first, added}), handler.fired);
    EXPECT_EQ(0, queue.GetCount());
}

TEST_F(TimerQueueTest, RefusesStaleAndOutOfRangeIds)
{
    CRecorder handler;
    int id = Add(10, handler);
    EXPECT_EQ(ST_SUCCESS, queue.Cancel(id));
    EXPECT_EQ(ST_NOT_FOUND, queue.Cancel(id));
    EXPECT_EQ(ST_NOT_FOUND, queue.Reschedule(id, At(50)));
    EXPECT_EQ(1u, handler.removed.size());
    EXPECT_EQ(ST_OUT_OF_BOUNDS, queue.Cancel(-1));
    EXPECT_EQ(ST_OUT_OF_BOUNDS, queue.Cancel(CTimerQueue::INITIAL_LENGTH));
    EXPECT_EQ(ST_OUT_OF_BOUNDS, queue.Reschedule(-1, At(1)));
    EXPECT_EQ(ST_NOT_FOUND, queue.Cancel(id + 1));
    int null = -1;
    EXPECT_EQ(ST_INTERNAL_ERROR, queue.Add(At(1), nullptr, nullptr, null));
    EXPECT_EQ(-1, null);
}

TEST_F(TimerQueueTest, RescheduleOwnedMovesOnlyATimerOfThatHolderAndParameter)
{
    CRecorder mine;
    CRecorder other;
    int key = 0;
    const int id = Add(10, mine, &key);
    EXPECT_EQ(ST_NOT_FOUND, queue.RescheduleOwned(id, &other, &key, At(50)));
    EXPECT_EQ(ST_NOT_FOUND, queue.RescheduleOwned(id, &mine, nullptr, At(50)));
    EXPECT_EQ(ST_OUT_OF_BOUNDS, queue.RescheduleOwned(-1, &mine, &key, At(50)));
    EXPECT_EQ(ST_SUCCESS, queue.RescheduleOwned(id, &mine, &key, At(50)));
    ASSERT_EQ(ST_SUCCESS, queue.FireDueTimers(At(40)));
    EXPECT_TRUE(mine.fired.empty());
    ASSERT_EQ(ST_SUCCESS, queue.FireDueTimers(At(51)));
    EXPECT_EQ(std::vector<int>{id}, mine.fired);
    // Fired and gone: its id no longer names it.
    EXPECT_EQ(ST_NOT_FOUND, queue.RescheduleOwned(id, &mine, &key, At(90)));
}

TEST_F(TimerQueueTest, CancelOfAFreeIdNeverTakesALaterTimerThatReusesIt)
{
    CRecorder handler;
    for (int i = 0; i < 8; ++i) {
        Add(1000000, handler);
    }
    int stale = Add(10, handler);
    EXPECT_EQ(ST_SUCCESS, queue.FireDueTimers(At(20))); // fired and gone: its id is free again
    // Cancel the free id right before every add until the id comes back; the timer that
    // reuses it must survive the next pass.
    bool reused = false;
    for (int attempt = 0; attempt < 200 && !reused; ++attempt) {
        ASSERT_EQ(ST_NOT_FOUND, queue.Cancel(stale));
        int id = Add(500000, handler);
        if (id == stale) {
            reused = true;
        } else {
            ASSERT_EQ(ST_SUCCESS, queue.Cancel(id));
        }
        EXPECT_EQ(ST_SUCCESS, queue.FireDueTimers(At(30)));
    }
    ASSERT_TRUE(reused);
    EXPECT_EQ(ST_SUCCESS, queue.Find(stale));
    EXPECT_EQ(9, queue.GetCount());
    handler.fired.clear();
    EXPECT_EQ(ST_SUCCESS, queue.FireDueTimers(At(600000)));
    EXPECT_EQ((std::vector<int>{stale}), handler.fired);
}

TEST_F(TimerQueueTest, IdsAfterTheWrapNeverCollideWithLongLivedTimers)
{
    CRecorder handler;
    // Long-lived timers spread over the id range, short-lived churn around them, with the
    // tables growing and the cursor wrapping many times.
    std::set<int> live;
    for (int i = 0; i < 40; ++i) {
        live.insert(Add(1000000, handler));
    }
    std::uint64_t now = 0;
    for (int round = 0; round < 200; ++round) {
        std::vector<int> shortLived;
        for (int i = 0; i < 1 + round % 37; ++i) {
            int id = Add(now + 1, handler);
            ASSERT_GE(id, 0);
            ASSERT_TRUE(live.insert(id).second) << "id " << id << " handed out twice";
            shortLived.push_back(id);
        }
        if (round % 10 == 0) { // some long-lived ones leave, new ones arrive
            int gone = *live.begin();
            if (std::find(shortLived.begin(), shortLived.end(), gone) == shortLived.end()) {
                ASSERT_EQ(ST_SUCCESS, queue.Cancel(gone));
                live.erase(gone);
            }
        }
        now += 2;
        EXPECT_EQ(ST_SUCCESS, queue.FireDueTimers(At(now)));
        for (int id : shortLived) {
            live.erase(id);
        }
        for (int id : live) {
            ASSERT_EQ(ST_SUCCESS, queue.Find(id)) << "live timer " << id << " lost";
        }
    }
    EXPECT_EQ(static_cast<int>(live.size()), queue.GetCount());
}

TEST_F(TimerQueueTest, HeapKeepsOrderUnderMixedReschedulesAndCancels)
{
    CRecorder handler;
    std::map<int, std::uint64_t> dueOf;
    std::vector<int> ids;
    for (int i = 0; i < 300; ++i) {
        std::uint64_t due = static_cast<std::uint64_t>((i * 7919) % 1000 + 10);
        ids.push_back(Add(due, handler));
        dueOf[ids.back()] = due;
    }
    for (int i = 0; i < 300; i += 3) {
        std::uint64_t due = static_cast<std::uint64_t>((i * 31) % 1000 + 10);
        ASSERT_EQ(ST_SUCCESS, queue.Reschedule(ids[i], At(due)));
        dueOf[ids[i]] = due;
    }
    for (int i = 1; i < 300; i += 5) {
        ASSERT_EQ(ST_SUCCESS, queue.Cancel(ids[i]));
    }
    std::vector<std::uint64_t> firedDue;
    handler.onTimer = [&](int id) {
        firedDue.push_back(dueOf[id]);
        // Fired in the first pass whose time is after the due time.
        EXPECT_EQ(At(dueOf[id] + 1), handler.lastNow);
    };
    for (std::uint64_t t = 0; t <= 1011; ++t) {
        EXPECT_EQ(ST_SUCCESS, queue.FireDueTimers(At(t)));
    }
    EXPECT_EQ(300u - 60u, firedDue.size());
    EXPECT_TRUE(std::is_sorted(firedDue.begin(), firedDue.end()));
    EXPECT_EQ(0, queue.GetCount());
}

TEST_F(TimerQueueTest, RefusesTheTimerBeyondTheLimit)
{
    CRecorder handler;
    for (int i = 0; i < CTimerQueue::DEFAULT_LIMIT; ++i) {
        int id = -1;
        ASSERT_EQ(ST_SUCCESS, queue.Add(At(1000), &handler, nullptr, id)) << i;
    }
    int id = 7;
    EXPECT_EQ(ST_NO_MEMORY, queue.Add(At(1000), &handler, nullptr, id));
    EXPECT_EQ(-1, id);
    // A removal makes room again.
    EXPECT_EQ(ST_SUCCESS, queue.Cancel(1));
    EXPECT_EQ(ST_SUCCESS, queue.FireDueTimers(At(10)));
    EXPECT_EQ(ST_SUCCESS, queue.Add(At(1000), &handler, nullptr, id));
}

TEST_F(TimerQueueTest, HandlerDestructionCancelsItsTimers)
{
    CRecorder survivor;
    int kept = Add(10, survivor);
    {
        CRecorder doomed;
        Add(10, doomed);
        Add(20, doomed);
    }
    EXPECT_EQ(ST_SUCCESS, queue.FireDueTimers(At(100)));
    EXPECT_EQ((std::vector<int>{kept}), survivor.fired);
    EXPECT_EQ(0, queue.GetCount());
}

TEST_F(TimerQueueTest, HandlerMayDeleteItselfInsideItsCallback)
{
    CRecorder other;
    Add(20, other);
    auto* self = new CRecorder;
    Add(10, *self);
    Add(15, *self);
    self->onTimer = [self](int) { delete self; };
    EXPECT_EQ(ST_SUCCESS, queue.FireDueTimers(At(100)));
    EXPECT_EQ(1u, other.fired.size());
    EXPECT_EQ(0, queue.GetCount());
}

TEST_F(TimerQueueTest, DrainRemovesEveryTimerAndTellsOnlyLiveOnes)
{
    CRecorder handler;
    int a = Add(10, handler);
    int b = Add(20, handler);
    int c = Add(30, handler);
    EXPECT_EQ(ST_SUCCESS, queue.Cancel(b));
    handler.removed.clear();
    queue.Drain();
    EXPECT_EQ((std::vector<int>{a, c}), handler.removed);
    EXPECT_TRUE(handler.fired.empty());
    EXPECT_EQ(0, queue.GetCount());
}

TEST(TimerQueueLifetime, QueueDyingFirstLeavesHandlersSafe)
{
    CRecorder handler;
    {
        CTimerQueue queue;
        ASSERT_EQ(ST_SUCCESS, queue.Initialize());
        int id = -1;
        ASSERT_EQ(ST_SUCCESS, queue.Add(At(10), &handler, nullptr, id));
    }
    EXPECT_EQ(1u, handler.removed.size());
    // handler's destructor must not reach the dead queue (ASan would tell)
}

} // namespace
