#pragma once
// The clock of round-trip measurement: microseconds from the high-resolution counter.

#include <cstdint>
#include <functional>

// Microseconds on a monotonic scale with an arbitrary origin.
std::uint64_t AntNowMicroseconds();

// A source of AntNowMicroseconds-like readings; an empty one means AntNowMicroseconds.
using AntClock = std::function<std::uint64_t()>;
