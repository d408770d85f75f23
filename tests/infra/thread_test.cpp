#include "infra/ConditionVariable.h"
#include "infra/Thread.h"
#include "infra/ThreadManager.h"
#include "infra/TimeValue.h"
#include "infra/os/Clock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

std::uint64_t NowMs()
{
    return sti::CTimeValue::Now().GetAs(sti::TIME_UNIT_MILLISECONDS);
}

// Waits (bounded) until the condition holds.
bool Eventually(const std::function<bool()>& condition, std::uint32_t limitMs = 5000)
{
    const std::uint64_t end = NowMs() + limitMs;
    while (!condition()) {
        if (NowMs() > end) {
            return false;
        }
        STI_OS::Sleep(1);
    }
    return true;
}

// Run loops until the stop request is seen.
class LoopingThread : public sti::CThread {
public:
    LoopingThread() : CThread("looping") {}
    ~LoopingThread() override
    {
        RequestStop();
        // Waiting forever ends only when the thread has.
        (void)Wait(sti::WAIT_INFINITE);
    }
    std::atomic<bool> looping{false};
    std::atomic<std::uint64_t> stopSeenAt{0};

protected:
    std::uint32_t Run() override
    {
        looping = true;
        while (!IsStopRequested()) {}
        stopSeenAt = NowMs();
        return 0;
    }
};

class HookRecordingThread : public sti::CThread {
public:
    HookRecordingThread() : CThread("hooks") {}
    ~HookRecordingThread() override
    {
        RequestStop();
        // Waiting forever ends only when the thread has.
        (void)Wait(sti::WAIT_INFINITE);
    }
    std::vector<std::string> calls;
    sti::CThread* currentInRun = nullptr;

protected:
    void OnStart() override { calls.push_back("start"); }
    std::uint32_t Run() override
    {
        calls.push_back("run");
        currentInRun = sti::threadman::CThreadManager::Instance()->GetCurrentThread();
        return 7;
    }
    void OnExit() override { calls.push_back("exit"); }
};

// Its base destructor is the one that waits: Run touches only the base and globals.
std::atomic<bool> g_slowRunning{false};
std::atomic<bool> g_slowEnded{false};
class SlowToEndThread : public sti::CThread {
public:
    SlowToEndThread() : CThread("slow") {}

protected:
    std::uint32_t Run() override
    {
        g_slowRunning = true;
        while (!IsStopRequested()) {
            STI_OS::Sleep(5);
        }
        STI_OS::Sleep(150);
        g_slowEnded = true;
        return 0;
    }
};

// Held in OnStart until its object's destruction has begun on another thread.
std::atomic<bool> g_heldInStart{false};
std::atomic<bool> g_heldBodyRan{false};
std::atomic<bool> g_heldExitCalled{false};
class HeldAtStartThread : public sti::CThread {
public:
    HeldAtStartThread() : CThread("held") {}

protected:
    void OnStart() override
    {
        g_heldInStart = true;
        while (!IsStopRequested()) {
            STI_OS::Sleep(1);
        }
    }
    std::uint32_t Run() override
    {
        g_heldBodyRan = true;
        return 0;
    }
    void OnExit() override { g_heldExitCalled = true; }
};

std::atomic<bool> g_selfDeleted{false};
std::atomic<bool> g_selfExitCalled{false};
class SelfDeletingThread : public sti::CThread {
public:
    SelfDeletingThread() : CThread("self") {}

protected:
    std::uint32_t Run() override
    {
        delete this;
        g_selfDeleted = true;
        return 0;
    }
    void OnExit() override { g_selfExitCalled = true; }
};

class QuickThread : public sti::CThread {
public:
    explicit QuickThread(bool waitForStop) : CThread("quick"), m_waitForStop(waitForStop) {}
    ~QuickThread() override
    {
        RequestStop();
        // Waiting forever ends only when the thread has.
        (void)Wait(sti::WAIT_INFINITE);
    }

protected:
    std::uint32_t Run() override
    {
        while (m_waitForStop && !IsStopRequested()) {
            STI_OS::Sleep(1);
        }
        return 0;
    }

private:
    bool m_waitForStop;
};

} // namespace

TEST(ThreadStop, RequestIsSeenWithinAboutAHundredMilliseconds)
{
    LoopingThread thread;
    ASSERT_EQ(thread.Start(), ST_SUCCESS);
    ASSERT_TRUE(Eventually([&] { return thread.looping.load(); }));
    STI_OS::Sleep(30);
    const std::uint64_t requested = NowMs();
    thread.RequestStop();
    ASSERT_TRUE(Eventually([&] { return thread.stopSeenAt.load() != 0; }));
    EXPECT_LE(thread.stopSeenAt - requested, 250u);
    EXPECT_EQ(thread.Wait(5000), ST_SUCCESS);
    EXPECT_FALSE(thread.IsRunning());
}

TEST(ThreadStop, FirstCheckReadsTheRealFlag)
{
    LoopingThread thread;
    thread.RequestStop();
    const std::uint64_t started = NowMs();
    ASSERT_EQ(thread.Start(), ST_SUCCESS);
    ASSERT_EQ(thread.Wait(5000), ST_SUCCESS);
    EXPECT_LT(thread.stopSeenAt - started, 100u);
}

TEST(ThreadLifecycle, RunReturningAtOnceStillRunsEveryHook)
{
    HookRecordingThread thread;
    ASSERT_EQ(thread.Start(), ST_SUCCESS);
    ASSERT_EQ(thread.Wait(5000), ST_SUCCESS);
    EXPECT_EQ(thread.calls, (std::vector<std::string>{"start", "run", "exit"}));
    EXPECT_EQ(thread.currentInRun, &thread);
    EXPECT_FALSE(thread.IsRunning());
}

TEST(ThreadLifecycle, WaitReportsTimeoutWhileRunningAndStartRefusesASecondRun)
{
    QuickThread never(true);
    EXPECT_EQ(never.Wait(0), ST_SUCCESS); // no thread attached

    QuickThread thread(true);
    ASSERT_EQ(thread.Start(), ST_SUCCESS);
    EXPECT_TRUE(thread.IsRunning());
    EXPECT_EQ(thread.Start(), ST_FAIL);
    EXPECT_EQ(thread.Wait(50), ST_TIMEOUT);
    thread.RequestStop();
    EXPECT_EQ(thread.Wait(5000), ST_SUCCESS);
}

TEST(ThreadLifecycle, DestroyFromAnotherThreadBlocksUntilTheThreadEnded)
{
    g_slowRunning = false;
    g_slowEnded = false;
    auto* thread = new SlowToEndThread;
    ASSERT_EQ(thread->Start(), ST_SUCCESS);
    // However late a loaded machine starts the thread, it is in its body before the delete.
    ASSERT_TRUE(Eventually([] { return g_slowRunning.load(); }, 60000));
    delete thread;
    EXPECT_TRUE(g_slowEnded);
}

TEST(ThreadLifecycle, DestroyedBeforeItsBodyBeganTheThreadEndsWithoutCallingIntoTheGonePart)
{
    // The derived part is gone before the base destructor waits: calling its Run then was a
    // call through the base's table ("pure virtual method called").
    g_heldInStart = false;
    g_heldBodyRan = false;
    g_heldExitCalled = false;
    auto* thread = new HeldAtStartThread;
    ASSERT_EQ(thread->Start(), ST_SUCCESS);
    ASSERT_TRUE(Eventually([] { return g_heldInStart.load(); }, 60000));
    delete thread; // its stop request lets OnStart return
    EXPECT_FALSE(g_heldBodyRan);
    EXPECT_FALSE(g_heldExitCalled);
}

TEST(ThreadLifecycle, DestroyFromInsideRunDoesNotBlock)
{
    g_selfDeleted = false;
    g_selfExitCalled = false;
    auto* thread = new SelfDeletingThread;
    ASSERT_EQ(thread->Start(), ST_SUCCESS);
    ASSERT_TRUE(Eventually([] { return g_selfDeleted.load(); }));
    STI_OS::Sleep(50);
    EXPECT_FALSE(g_selfExitCalled);
}

TEST(ThreadManager, GetCurrentThreadTellsMainLibraryAndForeignThreadsApart)
{
    sti::threadman::CThreadManager* manager = sti::threadman::CThreadManager::Instance();
    ASSERT_NE(manager, nullptr);
    EXPECT_EQ(manager->GetCurrentThread(), sti::threadman::CThreadManager::MainThreadMarker());
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(sti::threadman::CThreadManager::MainThreadMarker()), ~std::uintptr_t(0));
    sti::CThread* onForeign = reinterpret_cast<sti::CThread*>(1);
    std::thread foreign([&] { onForeign = manager->GetCurrentThread(); });
    foreign.join();
    EXPECT_EQ(onForeign, nullptr);
}

TEST(ThreadManager, ManyThreadsStartedAndDestroyedConcurrently)
{
    std::vector<std::thread> drivers;
    std::atomic<int> started{0};
    for (int d = 0; d < 6; ++d) {
        drivers.emplace_back([&, d] {
            for (int i = 0; i < 25; ++i) {
                QuickThread thread((i + d) % 2 == 0);
                if (thread.Start() == ST_SUCCESS) {
                    ++started;
                }
                if (i % 3 == 0) {
                    thread.RequestStop();
                }
            }
        });
    }
    for (auto& d : drivers) {
        d.join();
    }
    EXPECT_EQ(started, 150);
}
