#include "infra/TimeValue.h"
#include "infra/os/Clock.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ctime>
#include <limits>

using sti::CTimeSpan;
using sti::CTimeValue;

namespace {

constexpr std::int32_t kMaxSpan = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMinSpan = std::numeric_limits<std::int32_t>::min();
constexpr std::uint64_t kThirtyDays = 30ull * 24 * 3600 * 1000;

} // namespace

TEST(TimeValue, UnitsScaleTheCount)
{
    EXPECT_EQ(CTimeValue(5, sti::TIME_UNIT_SECONDS), CTimeValue(5000, sti::TIME_UNIT_MILLISECONDS));
    EXPECT_EQ(CTimeValue(7, sti::TIME_UNIT_CLOCK), CTimeValue(7, sti::TIME_UNIT_MILLISECONDS));
    EXPECT_EQ(5u, CTimeValue(5999, sti::TIME_UNIT_MILLISECONDS).GetAs(sti::TIME_UNIT_SECONDS));
    EXPECT_EQ(5999u, CTimeValue(5999, sti::TIME_UNIT_MILLISECONDS).GetAs(sti::TIME_UNIT_MILLISECONDS));
    // An unknown unit must not read past the unit table.
    EXPECT_EQ(9u, CTimeValue(9, 17).GetAs(-3));
}

TEST(TimeValue, DifferenceSaturatesOnBothSides)
{
    const CTimeValue early(1000, sti::TIME_UNIT_MILLISECONDS);
    const CTimeValue late(1000 + kThirtyDays, sti::TIME_UNIT_MILLISECONDS);
    EXPECT_EQ(kMaxSpan, (late - early).GetMilliseconds());
    // The negative side clamps too instead of wrapping into a positive span.
    EXPECT_EQ(kMinSpan, (early - late).GetMilliseconds());

    const CTimeValue a(1000, sti::TIME_UNIT_MILLISECONDS);
    const CTimeValue b(1250, sti::TIME_UNIT_MILLISECONDS);
    EXPECT_EQ(-250, (a - b).GetMilliseconds());
    EXPECT_EQ(250, (b - a).GetMilliseconds());

    const CTimeValue edge(std::uint64_t(kMaxSpan), sti::TIME_UNIT_MILLISECONDS);
    const CTimeValue zero;
    EXPECT_EQ(kMaxSpan, (edge - zero).GetMilliseconds());
    EXPECT_EQ(-kMaxSpan, (zero - edge).GetMilliseconds());
    const CTimeValue past(std::uint64_t(kMaxSpan) + 1, sti::TIME_UNIT_MILLISECONDS);
    EXPECT_EQ(kMinSpan, (zero - past).GetMilliseconds());
}

TEST(TimeValue, AddingANegativeSpanGoesBack)
{
    const CTimeValue t(10000, sti::TIME_UNIT_MILLISECONDS);
    EXPECT_EQ(CTimeValue(9500, sti::TIME_UNIT_MILLISECONDS), t + CTimeSpan(-500));
    EXPECT_EQ(CTimeValue(10040, sti::TIME_UNIT_MILLISECONDS), t + CTimeSpan(40));
    EXPECT_TRUE(t + CTimeSpan(1) > t);
    EXPECT_TRUE(t + CTimeSpan(-1) < t);
    EXPECT_TRUE(t >= t);
}

TEST(TimeSpan, ArithmeticSaturatesInsteadOfOverflowing)
{
    EXPECT_EQ(300, (CTimeSpan(100) + CTimeSpan(200)).GetMilliseconds());
    EXPECT_EQ(-600, (CTimeSpan(200) * -3).GetMilliseconds());
    EXPECT_EQ(kMaxSpan, (CTimeSpan(kMaxSpan) + CTimeSpan(1)).GetMilliseconds());
    EXPECT_EQ(kMinSpan, (CTimeSpan(kMinSpan) + CTimeSpan(-1)).GetMilliseconds());
    EXPECT_EQ(kMaxSpan, (CTimeSpan(1 << 20) * (1 << 20)).GetMilliseconds());
    EXPECT_EQ(kMinSpan, (CTimeSpan(-(1 << 20)) * (1 << 20)).GetMilliseconds());
}

TEST(Clock, ReadsCalendarMillisecondsAndAdvances)
{
    const std::uint64_t calendar = std::uint64_t(std::time(nullptr)) * 1000;
    const std::uint64_t first = STI_OS::GetClock();
    EXPECT_LT(first > calendar ? first - calendar : calendar - first, 5000u);

    EXPECT_FALSE((CTimeValue::Now() + CTimeSpan(30000)).HasPassed());
    EXPECT_TRUE((CTimeValue::Now() + CTimeSpan(-1)).HasPassed());
    const CTimeValue soon = CTimeValue::Now() + CTimeSpan(40);
    STI_OS::Sleep(100);
    EXPECT_TRUE(soon.HasPassed());
    // The tick may be as coarse as 16 ms.
    const std::uint64_t second = STI_OS::GetClock();
    EXPECT_GE(second - first, 70u);
    EXPECT_LT(second - first, 5000u);
}

TEST(Clock, PerformanceCounterRunsAtItsFrequency)
{
    const std::uint64_t frequency = STI_OS::GetPerformanceFrequency();
    ASSERT_GT(frequency, 0u);
    const std::uint64_t before = STI_OS::GetPerformanceCounter();
    STI_OS::Sleep(50);
    const std::uint64_t elapsed = STI_OS::GetPerformanceCounter() - before;
    EXPECT_GE(elapsed, frequency / 25); // at least 40 ms
    EXPECT_LT(elapsed, frequency * 5);
}
