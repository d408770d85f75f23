#include "infra/os/Clock.h"

#include <windows.h>

#include <ctime>

namespace STI_OS {

std::uint64_t GetClock()
{
    // GetTickCount64 does not wrap after 49.7 days as the 32-bit tick would.
    // Fixed at first use (start-up, main thread); later calendar changes do not move the clock.
    static const std::uint64_t offset = std::uint64_t(std::time(nullptr)) * 1000u - ::GetTickCount64();
    return ::GetTickCount64() + offset;
}

std::uint64_t GetPerformanceFrequency()
{
    LARGE_INTEGER frequency;
    if (!::QueryPerformanceFrequency(&frequency))
        return 0;
    return static_cast<std::uint64_t>(frequency.QuadPart);
}

std::uint64_t GetPerformanceCounter()
{
    LARGE_INTEGER counter;
    if (!::QueryPerformanceCounter(&counter))
        return 0;
    return static_cast<std::uint64_t>(counter.QuadPart);
}

void Sleep(std::uint32_t milliseconds)
{
    ::Sleep(milliseconds);
}

} // namespace STI_OS
