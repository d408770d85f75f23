#pragma once

#include <cstdint>

namespace STI_OS {

// Milliseconds since 1970: the calendar time of first use (one-second precision) advanced
// by a 64-bit monotonic tick, so later calendar changes do not move it. The first call is
// made during start-up on the main thread.
std::uint64_t GetClock();

// The high-resolution counter and its frequency; 0 when unavailable.
std::uint64_t GetPerformanceFrequency();
std::uint64_t GetPerformanceCounter();

void Sleep(std::uint32_t milliseconds);

} // namespace STI_OS
