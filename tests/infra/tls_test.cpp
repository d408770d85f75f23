#include "infra/os/Tls.h"
#include "infra/ThreadOwned.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

TEST(TlsSlot, EachThreadSeesItsOwnValue)
{
    STI_OS::TlsSlot slot = STI_OS::INVALID_TLS_SLOT;
    ASSERT_EQ(ST_SUCCESS, STI_OS::AllocTlsSlot(slot));
    int mine = 1;
    ASSERT_EQ(ST_SUCCESS, STI_OS::SetTlsValue(slot, &mine));

    void* otherBefore = &mine;
    void* otherAfter = nullptr;
    std::uint32_t otherId = 0;
    int theirs = 2;
    std::thread other([&] {
        EXPECT_EQ(ST_SUCCESS, STI_OS::GetTlsValue(slot, otherBefore));
        EXPECT_EQ(ST_SUCCESS, STI_OS::SetTlsValue(slot, &theirs));
        EXPECT_EQ(ST_SUCCESS, STI_OS::GetTlsValue(slot, otherAfter));
        otherId = STI_OS::GetCurrentThreadId();
    });
    other.join();
    EXPECT_EQ(nullptr, otherBefore);
    EXPECT_EQ(&theirs, otherAfter);
    EXPECT_NE(STI_OS::GetCurrentThreadId(), otherId);

    void* value = nullptr;
    EXPECT_EQ(ST_SUCCESS, STI_OS::GetTlsValue(slot, value));
    EXPECT_EQ(&mine, value);
    EXPECT_EQ(ST_SUCCESS, STI_OS::FreeTlsSlot(slot));

    void* invalid = &mine;
    EXPECT_NE(ST_SUCCESS, STI_OS::GetTlsValue(STI_OS::INVALID_TLS_SLOT, invalid));
    EXPECT_EQ(nullptr, invalid);
}

namespace {

struct SCountedValue {
    static std::atomic<int> live;
    static std::atomic<int> destroyedOnOwnThread;
    std::uint32_t owner = STI_OS::GetCurrentThreadId();
    SCountedValue() { ++live; }
    ~SCountedValue()
    {
        --live;
        if (owner == STI_OS::GetCurrentThreadId())
            ++destroyedOnOwnThread;
    }
};
std::atomic<int> SCountedValue::live{0};
std::atomic<int> SCountedValue::destroyedOnOwnThread{0};

} // namespace

// Threads that come and go by the hundred, as worker pools do: each gets a value of its own
// and destroys it on its way out (a thread_local with a destructor crashed here on MinGW).
TEST(ThreadOwned, EveryEndingThreadDestroysItsOwnValueOnItsOwnThread)
{
    constexpr int ROUNDS = 50;
    constexpr int THREADS = 8;
    for (int round = 0; round < ROUNDS; ++round) {
        std::vector<std::thread> threads;
        for (int i = 0; i < THREADS; ++i) {
            threads.emplace_back([] {
                SCountedValue* value = sti::ThreadOwned<SCountedValue>();
                ASSERT_NE(nullptr, value);
                EXPECT_EQ(value, sti::ThreadOwned<SCountedValue>());
            });
        }
        for (std::thread& thread : threads)
            thread.join();
    }
    EXPECT_EQ(0, SCountedValue::live.load());
    EXPECT_EQ(ROUNDS * THREADS, SCountedValue::destroyedOnOwnThread.load());
}
