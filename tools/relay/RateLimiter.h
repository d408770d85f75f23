#pragma once

#include <cstdint>
#include <deque>

namespace TarnixRelay {

// A bottleneck: a token bucket of rate bytes/s and depth burst bytes in front of a FIFO queue of
// queueLimit bytes. Admit tells when a datagram leaves the bottleneck, or that the queue is full
// (tail drop). Times are microseconds on the caller's clock and must not go backwards.
class CRateLimiter {
public:
    static constexpr std::int64_t DROP = -1;

    // rate 0 means no cap: every datagram leaves at once.
    CRateLimiter(std::uint64_t rate, std::uint32_t burst, std::uint32_t queueLimit);

    // The departure time (>= now) of a datagram of size bytes arriving at now, or DROP.
    std::int64_t Admit(std::int64_t now, std::uint32_t size);

    // Bytes waiting in the queue at now.
    std::uint64_t Backlog(std::int64_t now);

private:
    struct SQueued {
        std::int64_t Departure;
        std::uint32_t Size;
    };

    std::uint64_t m_rate;
    double m_depth;
    std::uint32_t m_queueLimit;
    double m_tokens;
    std::int64_t m_last = 0; // time at which m_tokens was right (the last departure)
    std::deque<SQueued> m_queue;
    std::uint64_t m_backlog = 0;
};

} // namespace TarnixRelay
