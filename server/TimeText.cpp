#include "server/TimeText.h"

#include <cstdio>

namespace TarnixServer {

namespace {

struct SCivilTime {
    long long Year;
    unsigned Month, Day, Hour, Minute, Second;
};

// Days since 1970-01-01 to a proleptic Gregorian date (Howard Hinnant's algorithm); no
// dependence on the C library's time zone state, which is not thread-safe.
SCivilTime ToCivil(std::uint64_t milliseconds)
{
    const long long seconds = static_cast<long long>(milliseconds / 1000);
    long long days = seconds / 86400;
    const long long rest = seconds % 86400;
    days += 719468;
    const long long era = days / 146097;
    const unsigned dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned monthIndex = (5 * dayOfYear + 2) / 153;
    SCivilTime time;
    time.Day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
    time.Month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
    time.Year = static_cast<long long>(yearOfEra) + era * 400 + (time.Month <= 2 ? 1 : 0);
    time.Hour = static_cast<unsigned>(rest / 3600);
    time.Minute = static_cast<unsigned>(rest / 60 % 60);
    time.Second = static_cast<unsigned>(rest % 60);
    return time;
}

} // namespace

std::string FormatUtcTime(std::uint64_t milliseconds)
{
    const SCivilTime t = ToCivil(milliseconds);
    char text[40];
    std::snprintf(text, sizeof(text), "%04d-%02u-%02uT%02u:%02u:%02uZ", static_cast<int>(t.Year), t.Month, t.Day,
                  t.Hour, t.Minute, t.Second);
    return text;
}

std::string FormatUtcStamp(std::uint64_t milliseconds)
{
    const SCivilTime t = ToCivil(milliseconds);
    char text[40];
    std::snprintf(text, sizeof(text), "%04d%02u%02u-%02u%02u%02u", static_cast<int>(t.Year), t.Month, t.Day, t.Hour,
                  t.Minute, t.Second);
    return text;
}

} // namespace TarnixServer
