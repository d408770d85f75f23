#pragma once

#include <cstdint>

namespace sti {

// Unit index of a CTimeValue count.
enum TimeUnit : int {
    TIME_UNIT_SECONDS = 0,      // factor 1000
    TIME_UNIT_MILLISECONDS = 1, // factor 1
    TIME_UNIT_CLOCK = 2         // milliseconds of STI_OS::GetClock, factor 1
};

// Signed 32-bit duration in milliseconds. Arithmetic saturates at the 32-bit range.
class CTimeSpan {
public:
    CTimeSpan() = default;
    explicit CTimeSpan(std::int32_t milliseconds) : m_milliseconds(milliseconds) {}

    std::int32_t GetMilliseconds() const { return m_milliseconds; }

    CTimeSpan operator+(const CTimeSpan& other) const;
    CTimeSpan operator*(std::int32_t factor) const;

    bool operator==(const CTimeSpan& other) const { return m_milliseconds == other.m_milliseconds; }
    bool operator!=(const CTimeSpan& other) const { return m_milliseconds != other.m_milliseconds; }
    bool operator<(const CTimeSpan& other) const { return m_milliseconds < other.m_milliseconds; }
    bool operator>(const CTimeSpan& other) const { return m_milliseconds > other.m_milliseconds; }

private:
    std::int32_t m_milliseconds = 0;
};

// Absolute time: unsigned 64-bit milliseconds since 1 January 1970 on the library clock.
class CTimeValue {
public:
    CTimeValue() = default;
    CTimeValue(std::uint64_t count, int unit);

    static CTimeValue Now();

    // The value divided by the unit's factor.
    std::uint64_t GetAs(int unit) const;
    bool HasPassed() const;

    CTimeValue operator+(const CTimeSpan& span) const;
    // Saturates to [-2^31, 2^31 - 1] ms.
    CTimeSpan operator-(const CTimeValue& other) const;

    bool operator>(const CTimeValue& other) const { return m_milliseconds > other.m_milliseconds; }
    bool operator<(const CTimeValue& other) const { return m_milliseconds < other.m_milliseconds; }
    bool operator>=(const CTimeValue& other) const { return m_milliseconds >= other.m_milliseconds; }
    bool operator<=(const CTimeValue& other) const { return m_milliseconds <= other.m_milliseconds; }
    bool operator==(const CTimeValue& other) const { return m_milliseconds == other.m_milliseconds; }
    bool operator!=(const CTimeValue& other) const { return m_milliseconds != other.m_milliseconds; }

private:
    std::uint64_t m_milliseconds = 0;
};

} // namespace sti
