#pragma once
// Back-off of a session's retransmission timer: each time-out without an acknowledgement in
// between stretches the next one by another interval (interval x multiplier + 5 ms); an
// acknowledgement that opens the window resets it.

#include <cstdint>

class CAntRtoBackoff {
public:
    static constexpr std::uint32_t SLACK_MS = 5;
    // The session gives up after far less silence than this.
    static constexpr std::uint32_t MAX_TIMEOUT_MS = 60000;

    std::uint32_t GetMultiplier() const { return m_multiplier; }
    void Reset() { m_multiplier = 1; }
    void OnTimeout();
    // interval x multiplier + SLACK_MS, at most MAX_TIMEOUT_MS.
    std::uint32_t GetTimeout(std::uint32_t intervalMs) const;

private:
    std::uint32_t m_multiplier = 1;
};
