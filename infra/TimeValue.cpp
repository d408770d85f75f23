#include "infra/TimeValue.h"

#include "infra/os/Clock.h"

#include <limits>

namespace sti {

namespace {

// Unknown unit indices count as milliseconds rather than reading past the table.
std::uint64_t UnitFactor(int unit)
{
    static const std::uint64_t kFactors[] = {1000, 1, 1};
    if (unit < 0 || unit >= static_cast<int>(sizeof(kFactors) / sizeof(kFactors[0])))
        return 1;
    return kFactors[unit];
}

std::int32_t Saturate(std::int64_t milliseconds)
{
    if (milliseconds > std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    if (milliseconds < std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(milliseconds);
}

} // namespace

CTimeSpan CTimeSpan::operator+(const CTimeSpan& other) const
{
    return CTimeSpan(Saturate(std::int64_t(m_milliseconds) + other.m_milliseconds));
}

CTimeSpan CTimeSpan::operator*(std::int32_t factor) const
{
    return CTimeSpan(Saturate(std::int64_t(m_milliseconds) * factor));
}

CTimeValue::CTimeValue(std::uint64_t count, int unit) : m_milliseconds(count * UnitFactor(unit)) {}

CTimeValue CTimeValue::Now()
{
    return CTimeValue(STI_OS::GetClock(), TIME_UNIT_CLOCK);
}

std::uint64_t CTimeValue::GetAs(int unit) const
{
    return m_milliseconds / UnitFactor(unit);
}

bool CTimeValue::HasPassed() const
{
    return STI_OS::GetClock() >= m_milliseconds;
}

CTimeValue CTimeValue::operator+(const CTimeSpan& span) const
{
    // Sign-extended and added modulo 2^64.
    CTimeValue result;
    result.m_milliseconds = m_milliseconds + static_cast<std::uint64_t>(std::int64_t(span.GetMilliseconds()));
    return result;
}

CTimeSpan CTimeValue::operator-(const CTimeValue& other) const
{
    // Both sides saturate: a large negative difference must not wrap into a positive span.
    const std::int64_t difference = static_cast<std::int64_t>(m_milliseconds - other.m_milliseconds);
    return CTimeSpan(Saturate(difference));
}

} // namespace sti
