#include "infra/os/Clock.h"

#include <ctime>
#include <time.h>

namespace STI_OS {

namespace {

std::uint64_t MonotonicMilliseconds()
{
    timespec now;
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return std::uint64_t(now.tv_sec) * 1000u + std::uint64_t(now.tv_nsec) / 1000000u;
}

} // namespace

std::uint64_t GetClock()
{
    // Fixed at first use (start-up, main thread); later calendar changes do not move the clock.
    static const std::uint64_t offset = std::uint64_t(std::time(nullptr)) * 1000u - MonotonicMilliseconds();
    return MonotonicMilliseconds() + offset;
}

std::uint64_t GetPerformanceFrequency()
{
    return 1000000000u;
}

std::uint64_t GetPerformanceCounter()
{
    timespec now;
    if (::clock_gettime(CLOCK_MONOTONIC, &now) != 0)
        return 0;
    return std::uint64_t(now.tv_sec) * 1000000000u + std::uint64_t(now.tv_nsec);
}

void Sleep(std::uint32_t milliseconds)
{
    timespec rest;
    rest.tv_sec = milliseconds / 1000;
    rest.tv_nsec = long(milliseconds % 1000) * 1000000L;
    while (::nanosleep(&rest, &rest) != 0) {
        // interrupted by a signal: sleep the remainder
    }
}

} // namespace STI_OS
