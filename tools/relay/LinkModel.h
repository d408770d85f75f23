#pragma once

#include "tools/relay/LinkSettings.h"
#include "tools/relay/LinkStats.h"
#include "tools/relay/RateLimiter.h"
#include "tools/relay/Random.h"

#include <cstdint>
#include <vector>

namespace TarnixRelay {

// One direction of one link: decides, for each datagram in arrival order, whether it is lost,
// how it is damaged and copied, and when each copy comes out. It keeps no datagrams itself; the
// caller schedules the copies. Times are microseconds on the caller's clock.
//
// Every datagram takes the same number of draws from the generator whatever happens to it, so
// with one seed the fate of the n-th datagram depends only on the datagrams before it, not on
// timing (only the rate cap looks at the clock).
class CLinkModel {
public:
    struct SCopy {
        std::int64_t Release;
        std::vector<std::uint8_t> Bytes;
    };

    CLinkModel(const SLinkSettings& settings, std::uint64_t seed);

    // The copies (none, one, or two) of a datagram arriving at now.
    std::vector<SCopy> Process(std::int64_t now, const std::vector<std::uint8_t>& datagram);

    const SLinkStats& Stats() const { return m_stats; }
    const SLinkSettings& Settings() const { return m_settings; }

    // Flips one bit of data chosen by draw (in [0, 1)); returns the byte offset, or -1 when empty.
    static long FlipBit(std::vector<std::uint8_t>& data, double draw);

private:
    std::int64_t ReleaseTime(std::int64_t departure, double jitterDraw, double reorderDraw);

    SLinkSettings m_settings;
    CRandom m_random;
    CRateLimiter m_rate;
    bool m_inBurst = false;
    std::int64_t m_latestRelease = 0; // of all copies so far, to count those that overtake

    SLinkStats m_stats;
};

} // namespace TarnixRelay
