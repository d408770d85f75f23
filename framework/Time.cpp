#include "framework/Time.h"

namespace {

// FILETIME counts 100 ns units from 1601; the Unix epoch lies this many seconds later.
const std::int64_t kEpochDifference = 11644473600LL;
const std::int64_t kTicksPerSecond = 10000000LL;

} // namespace

CTime CTime::GetCurrentTime()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER ticks;
    ticks.LowPart = now.dwLowDateTime;
    ticks.HighPart = now.dwHighDateTime;
    return CTime(static_cast<std::int64_t>(ticks.QuadPart / kTicksPerSecond) - kEpochDifference);
}

bool CTime::GetLocalTime(SYSTEMTIME& local) const
{
    if (m_seconds < -kEpochDifference || m_seconds > (INT64_MAX / kTicksPerSecond) - kEpochDifference)
        return false;
    ULARGE_INTEGER ticks;
    ticks.QuadPart = static_cast<ULONGLONG>(m_seconds + kEpochDifference) * kTicksPerSecond;
    FILETIME utcFile;
    utcFile.dwLowDateTime = ticks.LowPart;
    utcFile.dwHighDateTime = ticks.HighPart;
    SYSTEMTIME utc;
    if (!FileTimeToSystemTime(&utcFile, &utc))
        return false;
    return SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local) != FALSE;
}

namespace {

template <typename Field>
int LocalPart(const CTime& time, Field field)
{
    SYSTEMTIME local;
    return time.GetLocalTime(local) ? static_cast<int>(local.*field) : 0;
}

} // namespace

int CTime::GetYear() const
{
    return LocalPart(*this, &SYSTEMTIME::wYear);
}
int CTime::GetMonth() const
{
    return LocalPart(*this, &SYSTEMTIME::wMonth);
}
int CTime::GetDay() const
{
    return LocalPart(*this, &SYSTEMTIME::wDay);
}
int CTime::GetHour() const
{
    return LocalPart(*this, &SYSTEMTIME::wHour);
}
int CTime::GetMinute() const
{
    return LocalPart(*this, &SYSTEMTIME::wMinute);
}
int CTime::GetSecond() const
{
    return LocalPart(*this, &SYSTEMTIME::wSecond);
}
int CTime::GetDayOfWeek() const
{
    SYSTEMTIME local;
    return GetLocalTime(local) ? local.wDayOfWeek + 1 : 0;
}
