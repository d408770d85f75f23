#include "infra/Dispatcher.h"
#include "infra/ThreadOwner.h"
#include "infra/TimerQueue.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>

// The owning-thread checks exist in debug builds only; release builds skip these cases.

TEST(ThreadOwnerDeathTest, ACallOffTheOwningThreadAbortsAndNamesTheEntry)
{
#ifdef NDEBUG
    GTEST_SKIP() << "no owner checks in release builds";
#else
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            sti::CDispatcher dispatcher;
            EXPECT_EQ(ST_SUCCESS, dispatcher.Run(0)); // this thread owns it from here on
            std::thread([&] { (void)dispatcher.CancelTimer(1); }).join();
        },
        "CancelTimer called off its owning thread");
    EXPECT_DEATH(
        {
            sti::CTimerQueue timers;
            (void)timers.Initialize();
            (void)timers.FireDueTimers();
            std::thread([&] { (void)timers.Find(0); }).join();
        },
        "Find called off its owning thread");
#endif
}

TEST(ThreadOwner, AnObjectBuiltHereMayBeRunThereAndHandedBack)
{
    sti::CThreadOwner owner;
    std::thread([&] {
        STI_OWNING_THREAD(owner); // the first checked call takes it
        owner.Release();
    }).join();
    STI_OWNING_THREAD(owner);
    owner.Bind();
    // Built here, run and shut down only there: allowed.
    auto dispatcher = std::make_unique<sti::CDispatcher>();
    std::thread([&] {
        EXPECT_EQ(ST_SUCCESS, dispatcher->Run(0));
        dispatcher.reset();
    }).join();
}
