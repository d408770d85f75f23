#include "tools/relay/RateLimiter.h"

#include <gtest/gtest.h>

using namespace TarnixRelay;

TEST(RateLimiter, SustainedThroughputMatchesTheCap)
{
    const std::uint64_t rate = 250000;
    CRateLimiter limiter(rate, 1500, 1 << 30);
    std::int64_t departure = 0;
    const int count = 5000;
    for (int i = 0; i < count; ++i) {
        departure = limiter.Admit(i * 100, 1200); // offered at 12 MB/s
        ASSERT_NE(CRateLimiter::DROP, departure);
    }
    // Everything beyond the full bucket it started with waited for its tokens.
    const double seconds = static_cast<double>(departure) / 1e6;
    EXPECT_NEAR((count * 1200.0 - 1500) / rate, seconds, 0.0001);
}

TEST(RateLimiter, FullBucketLetsABurstThroughThenPaces)
{
    CRateLimiter limiter(100000, 3000, 1 << 20);
    EXPECT_EQ(0, limiter.Admit(0, 1000));
    EXPECT_EQ(0, limiter.Admit(0, 1000));
    EXPECT_EQ(0, limiter.Admit(0, 1000));
    EXPECT_EQ(10000, limiter.Admit(0, 1000));
    EXPECT_EQ(20000, limiter.Admit(0, 1000));
    // After a long pause the bucket is full again, but never deeper than its depth.
    EXPECT_EQ(1000000, limiter.Admit(1000000, 1500));
    EXPECT_EQ(1000000, limiter.Admit(1000000, 1500));
    EXPECT_EQ(1010000, limiter.Admit(1000000, 1000));
}

TEST(RateLimiter, FullQueueDropsTheTailUntilItDrains)
{
    CRateLimiter limiter(100000, 1000, 3000);
    EXPECT_EQ(0, limiter.Admit(0, 1000)); // leaves at once, never queued
    EXPECT_EQ(10000, limiter.Admit(0, 1000));
    EXPECT_EQ(20000, limiter.Admit(0, 1000));
    EXPECT_EQ(30000, limiter.Admit(0, 1000));
    EXPECT_EQ(3000u, limiter.Backlog(0));
    EXPECT_EQ(CRateLimiter::DROP, limiter.Admit(0, 1000));
    EXPECT_EQ(CRateLimiter::DROP, limiter.Admit(5000, 1));
    // One has left by 10 ms, so one more fits.
    EXPECT_EQ(2000u, limiter.Backlog(10000));
    EXPECT_EQ(40000, limiter.Admit(10000, 1000));
    EXPECT_EQ(CRateLimiter::DROP, limiter.Admit(10000, 1000));
}

TEST(RateLimiter, ADatagramLargerThanTheQueueStillPassesAnEmptyQueue)
{
    CRateLimiter limiter(1000000, 1000, 100);
    EXPECT_EQ(0, limiter.Admit(0, 1000));
    EXPECT_EQ(1272, limiter.Admit(0, 1272));
    EXPECT_EQ(CRateLimiter::DROP, limiter.Admit(0, 10));
}
