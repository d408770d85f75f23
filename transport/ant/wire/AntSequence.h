#pragma once
// Arithmetic on the 29-bit packet sequence numbers and the 16-bit acknowledgement serials.
// Both wrap; "newer" and "older" are defined over half of each number space.

#include <cstdint>

constexpr std::uint32_t ANT_SEQUENCE_MASK = 0x1FFFFFFF;
constexpr std::uint32_t ANT_SEQUENCE_SPACE = 0x20000000;
constexpr std::uint32_t ANT_SEQUENCE_HALF = 0x10000000;

// True when a is newer than b. A value is never newer than itself.
constexpr bool AntSeqIsNewer(std::uint32_t a, std::uint32_t b)
{
    a &= ANT_SEQUENCE_MASK;
    b &= ANT_SEQUENCE_MASK;
    const std::uint32_t d = (b < a ? a : a + ANT_SEQUENCE_SPACE) - b;
    return d < ANT_SEQUENCE_HALF;
}

constexpr std::uint32_t AntSeqNext(std::uint32_t s)
{
    return (s + 1) & ANT_SEQUENCE_MASK;
}

constexpr std::uint32_t AntSeqPrevious(std::uint32_t s)
{
    return (s - 1) & ANT_SEQUENCE_MASK;
}

constexpr std::uint32_t AntSeqAdd(std::uint32_t s, std::uint32_t n)
{
    return (s + n) & ANT_SEQUENCE_MASK;
}

// Forward distance from base to s (0 when equal).
constexpr std::uint32_t AntSeqDistance(std::uint32_t base, std::uint32_t s)
{
    base &= ANT_SEQUENCE_MASK;
    s &= ANT_SEQUENCE_MASK;
    return s < base ? s + ANT_SEQUENCE_SPACE - base : s - base;
}

// True when serial is older than reference: the forward distance from reference to serial
// exceeds half the 16-bit space.
constexpr bool AntSerialIsOlder(std::uint16_t serial, std::uint16_t reference)
{
    return std::uint16_t(serial - reference) > 0x7FFF;
}
