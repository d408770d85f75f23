#include "tools/relay/RateLimiter.h"

#include <algorithm>
#include <cmath>

namespace TarnixRelay {

CRateLimiter::CRateLimiter(std::uint64_t rate, std::uint32_t burst, std::uint32_t queueLimit)
    : m_rate(rate), m_depth(burst), m_queueLimit(queueLimit), m_tokens(burst)
{}

std::uint64_t CRateLimiter::Backlog(std::int64_t now)
{
    while (!m_queue.empty() && m_queue.front().Departure <= now) {
        m_backlog -= m_queue.front().Size;
        m_queue.pop_front();
    }
    return m_backlog;
}

std::int64_t CRateLimiter::Admit(std::int64_t now, std::uint32_t size)
{
    if (m_rate == 0)
        return now;
    const std::uint64_t backlog = Backlog(now);
    // An empty queue always takes a datagram, so a limit below one datagram cannot stall the link.
    if (backlog > 0 && backlog + size > m_queueLimit)
        return DROP;

    // FIFO: nothing leaves before the datagram ahead of it.
    const std::int64_t start = std::max(now, m_last);
    const double refill = static_cast<double>(start - m_last) * static_cast<double>(m_rate) / 1e6;
    m_tokens = std::min(m_depth, m_tokens + refill);
    std::int64_t departure = start;
    if (m_tokens >= size) {
        m_tokens -= size;
    } else {
        const double missing = size - m_tokens;
        departure += static_cast<std::int64_t>(std::ceil(missing * 1e6 / static_cast<double>(m_rate)));
        m_tokens = 0;
    }
    m_last = departure;
    if (departure > now) {
        m_queue.push_back({departure, size});
        m_backlog += size;
    }
    return departure;
}

} // namespace TarnixRelay
