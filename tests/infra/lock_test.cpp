#include "infra/CompletionEvent.h"
#include "infra/ConditionVariable.h"
#include "infra/Lock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// A real lock that also tells how deeply the calling side holds it.
class CCountingLock : public sti::implementation::CLockObject {
public:
    Status Lock() override
    {
        EXPECT_EQ(ST_SUCCESS, m_mutex.Lock());
        ++m_depth;
        return ST_SUCCESS;
    }
    Status Unlock() override
    {
        --m_depth;
        EXPECT_EQ(ST_SUCCESS, m_mutex.Unlock());
        return ST_SUCCESS;
    }
    int Depth() const { return m_depth; }

private:
    sti::CMutex m_mutex;
    int m_depth = 0;
};

template <typename Mutex>
void ExpectNestsAndExcludesOthers()
{
    Mutex mutex;
    std::atomic<bool> otherHasIt{false};
    EXPECT_EQ(ST_SUCCESS, mutex.Lock());
    EXPECT_EQ(ST_SUCCESS, mutex.Lock()); // the owner locks again without blocking
    std::thread other([&] {
        sti::CScopedLock lock(mutex);
        otherHasIt = true;
    });
    EXPECT_EQ(ST_SUCCESS, mutex.Unlock());
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(otherHasIt) << "released after the first of two unlocks";
    EXPECT_EQ(ST_SUCCESS, mutex.Unlock());
    other.join();
    EXPECT_TRUE(otherHasIt);
}

} // namespace

TEST(Mutex, NestsForItsOwnerAndIsReleasedAfterTheLastUnlock)
{
    ExpectNestsAndExcludesOthers<sti::CMutex>();
    ExpectNestsAndExcludesOthers<sti::CRecursiveMutex>();
}

TEST(ScopedLock, UnlocksWhenLeftByAnException)
{
    CCountingLock lock;
    try {
        sti::CScopedLock guard(lock);
        EXPECT_EQ(1, lock.Depth());
        throw std::runtime_error("leave");
    } catch (const std::runtime_error&) {}
    EXPECT_EQ(0, lock.Depth());
}

TEST(ConditionVariable, TimeoutReturnsMinusOneWithTheLockHeld)
{
    CCountingLock outer;
    sti::CConditionVariable condition(outer);
    sti::CScopedLock guard(outer);
    const auto start = Clock::now();
    EXPECT_EQ(-1, condition.Wait(60));
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(55));
    EXPECT_EQ(1, outer.Depth());
}

TEST(ConditionVariable, BroadcastWithoutWaitersIsNotRemembered)
{
    sti::CMutex outer;
    sti::CConditionVariable condition(outer);
    sti::CScopedLock guard(outer);
    condition.Broadcast();
    EXPECT_EQ(-1, condition.Wait(30));
}

TEST(ConditionVariable, BroadcastWakesEveryWaiterAndOnlyOnce)
{
    sti::CMutex outer;
    sti::CConditionVariable condition(outer);
    int waiting = 0;
    std::atomic<int> woken{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < 3; ++i) {
        waiters.emplace_back([&] {
            sti::CScopedLock guard(outer);
            ++waiting;
            if (condition.Wait(5000) == 0)
                ++woken;
        });
    }
    for (;;) {
        sti::CScopedLock guard(outer);
        if (waiting == 3) {
            condition.Broadcast(); // every waiter has released the lock inside Wait
            break;
        }
    }
    for (std::thread& t : waiters)
        t.join();
    EXPECT_EQ(3, woken);

    // The wake was consumed: a later waiter blocks again.
    sti::CScopedLock guard(outer);
    EXPECT_EQ(-1, condition.Wait(20));
}

TEST(ConditionVariable, WaiterThatJustReleasedTheLockDoesNotMissTheWake)
{
    // The broadcaster gets the lock the moment the waiter releases it inside Wait; a wake
    // lost in that window would show as a time-out.
    for (int round = 0; round < 200; ++round) {
        sti::CMutex outer;
        sti::CConditionVariable condition(outer);
        bool ready = false;
        int result = 1;
        std::thread waiter([&] {
            sti::CScopedLock guard(outer);
            ready = true;
            result = condition.Wait(5000);
        });
        for (bool sent = false; !sent;) {
            sti::CScopedLock guard(outer);
            if (ready) {
                condition.Broadcast();
                sent = true;
            }
        }
        waiter.join();
        ASSERT_EQ(0, result) << "round " << round;
    }
}

TEST(CompletionEvent, WaitAfterSignalReturnsAtOnceWithResultOne)
{
    CCompletionEvent event;
    event.Signal();
    const auto start = Clock::now();
    const std::uint8_t* result = event.Wait();
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(500));
    ASSERT_NE(nullptr, result);
    EXPECT_EQ(1, *result);
}

TEST(CompletionEvent, OneSignalReleasesTwoWaiters)
{
    CCompletionEvent event;
    std::atomic<int> released{0};
    std::uint8_t seen[2] = {0, 0};
    std::thread first([&] {
        seen[0] = *event.Wait();
        ++released;
    });
    std::thread second([&] {
        seen[1] = *event.Wait();
        ++released;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(0, released);
    event.Signal();
    first.join();
    second.join();
    EXPECT_EQ(2, released);
    EXPECT_EQ(1, seen[0]);
    EXPECT_EQ(1, seen[1]);
}
