// The timer queue under allocation failure: every allocation that Add may make is made to
// fail in turn, and the queue must refuse with ST_NO_MEMORY and stay whole.
#include "infra/TimerQueue.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <vector>

namespace {

// Counts down allocations while armed; the one that reaches zero fails. Only the test's
// thread allocates while armed.
int g_allocationsLeft = -1;
bool g_failed = false;

void* Allocate(std::size_t size)
{
    if (g_allocationsLeft == 0) {
        g_failed = true;
        return nullptr;
    }
    if (g_allocationsLeft > 0) {
        --g_allocationsLeft;
    }
    return std::malloc(size == 0 ? 1 : size);
}

class CFailingAllocation {
public:
    explicit CFailingAllocation(int succeedFirst)
    {
        g_failed = false;
        g_allocationsLeft = succeedFirst;
    }
    ~CFailingAllocation() { g_allocationsLeft = -1; }
    CFailingAllocation(const CFailingAllocation&) = delete;
    CFailingAllocation& operator=(const CFailingAllocation&) = delete;
};

} // namespace

void* operator new(std::size_t size)
{
    if (void* p = Allocate(size)) {
        return p;
    }
    throw std::bad_alloc();
}
void* operator new[](std::size_t size)
{
    return operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return Allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    return Allocate(size);
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete[](void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept
{
    std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept
{
    std::free(p);
}

namespace {

using sti::CTimeValue;

CTimeValue At(std::uint64_t ms)
{
    return CTimeValue(ms, sti::TIME_UNIT_MILLISECONDS);
}

class CCounter : public sti::ITimeEventHandler {
public:
    Status OnTimer(int, const CTimeValue&, void*) override
    {
        ++fired;
        return ST_SUCCESS;
    }
    int fired = 0;
};

TEST(TimerQueueAllocation, FailedGrowthOfTablesPoolOrHandlerListRefusesTheTimerAndKeepsTheOthers)
{
    sti::CTimerQueue queue;
    ASSERT_EQ(ST_SUCCESS, queue.Initialize());
    CCounter handler;
    std::vector<int> ids;
    int refusals = 0;
    // Enough adds to cross table growth, pool growth and the handler's list growth; each add
    // is first tried with its first, second, ... allocation failing.
    for (int i = 0; i < 300; ++i) {
        for (int allowed = 0;; ++allowed) {
            int id = -1;
            Status status;
            {
                CFailingAllocation failing(allowed);
                status = queue.Add(At(1000), &handler, nullptr, id);
            }
            if (status == ST_SUCCESS) {
                ids.push_back(id);
                break;
            }
            ASSERT_EQ(ST_NO_MEMORY, status);
            ASSERT_TRUE(g_failed);
            ASSERT_EQ(-1, id);
            ASSERT_EQ(static_cast<int>(ids.size()), queue.GetCount());
            ++refusals;
        }
    }
    EXPECT_GT(refusals, 0);
    for (int live : ids) {
        ASSERT_EQ(ST_SUCCESS, queue.Find(live));
    }
    EXPECT_EQ(ST_SUCCESS, queue.FireDueTimers(At(2000)));
    EXPECT_EQ(300, handler.fired);
    EXPECT_EQ(0, queue.GetCount());
}

} // namespace
