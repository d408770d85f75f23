#include <gtest/gtest.h>

#include <ctime>

#include "framework/Time.h"

TEST(CTime, NowMatchesTheRunTimeClock)
{
    const std::int64_t before = static_cast<std::int64_t>(_time64(nullptr));
    const CTime now = CTime::GetCurrentTime();
    const std::int64_t after = static_cast<std::int64_t>(_time64(nullptr));
    EXPECT_GE(now.GetTime(), before);
    EXPECT_LE(now.GetTime(), after);
}

TEST(CTime, CalendarPartsAreLocalAndDifferencesAreSeconds)
{
    // Far past 2038, so 32-bit seconds would have wrapped.
    const __time64_t seconds = 4102444800LL + 3 * 3600 + 25 * 60 + 7; // 2100-01-01 03:25:07 UTC
    const CTime time(seconds);
    struct tm local = {};
    ASSERT_EQ(0, _localtime64_s(&local, &seconds));
    EXPECT_EQ(local.tm_year + 1900, time.GetYear());
    EXPECT_EQ(local.tm_mon + 1, time.GetMonth());
    EXPECT_EQ(local.tm_mday, time.GetDay());
    EXPECT_EQ(local.tm_hour, time.GetHour());
    EXPECT_EQ(local.tm_min, time.GetMinute());
    EXPECT_EQ(local.tm_sec, time.GetSecond());
    EXPECT_EQ(local.tm_wday + 1, time.GetDayOfWeek());

    const CTime weekLater = time + 7 * 86400;
    EXPECT_EQ(7 * 86400, weekLater - time);
    EXPECT_TRUE(time < weekLater);
    EXPECT_EQ(time, weekLater - 7 * 86400);
    EXPECT_EQ(0, CTime(-20000000000LL).GetYear()); // before 1601: no calendar form
}
