#include "transport/ant/AntRtoBackoff.h"

void CAntRtoBackoff::OnTimeout()
{
    // Beyond this every time-out is capped anyway.
    if (m_multiplier < MAX_TIMEOUT_MS) {
        ++m_multiplier;
    }
}

std::uint32_t CAntRtoBackoff::GetTimeout(std::uint32_t intervalMs) const
{
    const std::uint64_t timeout = std::uint64_t(intervalMs) * m_multiplier + SLACK_MS;
    return timeout > MAX_TIMEOUT_MS ? MAX_TIMEOUT_MS : std::uint32_t(timeout);
}
