#pragma once
// CTime: a moment as a signed 64-bit count of seconds since 1 January 1970 (UTC). The calendar
// parts are read in the local time zone.

#include <cstdint>

#include <windows.h>

// winbase.h maps the obsolete GetCurrentTime() to GetTickCount(); that would rename our member.
#ifdef GetCurrentTime
#undef GetCurrentTime
#endif

class CTime {
public:
    CTime() = default;
    explicit CTime(std::int64_t seconds) : m_seconds(seconds) {}

    static CTime GetCurrentTime();

    std::int64_t GetTime() const { return m_seconds; }

    // Local calendar parts; all 0 when the value lies outside what the platform can convert.
    int GetYear() const;
    int GetMonth() const; // 1..12
    int GetDay() const;   // 1..31
    int GetHour() const;
    int GetMinute() const;
    int GetSecond() const;
    int GetDayOfWeek() const; // 1 = Sunday .. 7 = Saturday
    bool GetLocalTime(SYSTEMTIME& local) const;

    // Differences and offsets are in seconds.
    std::int64_t operator-(const CTime& other) const { return m_seconds - other.m_seconds; }
    CTime operator+(std::int64_t seconds) const { return CTime(m_seconds + seconds); }
    CTime operator-(std::int64_t seconds) const { return CTime(m_seconds - seconds); }

    bool operator==(const CTime& o) const { return m_seconds == o.m_seconds; }
    bool operator!=(const CTime& o) const { return m_seconds != o.m_seconds; }
    bool operator<(const CTime& o) const { return m_seconds < o.m_seconds; }
    bool operator<=(const CTime& o) const { return m_seconds <= o.m_seconds; }
    bool operator>(const CTime& o) const { return m_seconds > o.m_seconds; }
    bool operator>=(const CTime& o) const { return m_seconds >= o.m_seconds; }

private:
    std::int64_t m_seconds = 0;
};
