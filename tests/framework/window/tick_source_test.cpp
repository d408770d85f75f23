#include <gtest/gtest.h>

#include "framework/TickSource.h"
#include "window/TestClock.h"

TEST(TickSource, TestClockStandsInForTheSystemsUntilItsScopeEnds)
{
    {
        // Just before the count wraps, as an age computed across it must still come out right.
        windowtest::CTestClock clock(0xFFFFF000u);
        EXPECT_EQ(AfxGetTickCount(), 0xFFFFF000u);
        ::Sleep(20);
        EXPECT_EQ(AfxGetTickCount(), 0xFFFFF000u);
        clock.Advance(10000);
        EXPECT_EQ(AfxGetTickCount() - 0xFFFFF000u, 10000u);
    }
    const DWORD system = ::GetTickCount();
    EXPECT_LT(AfxGetTickCount() - system, 1000u);
}
