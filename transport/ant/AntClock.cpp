#include "transport/ant/AntClock.h"

#include "infra/os/Clock.h"

std::uint64_t AntNowMicroseconds()
{
    const std::uint64_t frequency = STI_OS::GetPerformanceFrequency();
    if (frequency == 0) {
        return STI_OS::GetClock() * 1000;
    }
    const std::uint64_t counter = STI_OS::GetPerformanceCounter();
    // Split so that counter * 10^6 cannot overflow after a long uptime.
    return (counter / frequency) * 1000000 + (counter % frequency) * 1000000 / frequency;
}
