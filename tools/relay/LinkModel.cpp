#include "tools/relay/LinkModel.h"

#include <algorithm>
#include <cmath>

namespace TarnixRelay {

namespace {

bool Chance(double draw, double percent)
{
    return draw * 100.0 < percent;
}

// The draws of one datagram, always taken together.
struct SDraws {
    double Burst, Loss, Corrupt, CorruptWhere, Duplicate, Jitter, DuplicateJitter, Reorder, DuplicateReorder;
};

SDraws Draw(CRandom& random)
{
    SDraws d;
    d.Burst = random.Uniform();
    d.Loss = random.Uniform();
    d.Corrupt = random.Uniform();
    d.CorruptWhere = random.Uniform();
    d.Duplicate = random.Uniform();
    d.Jitter = random.Uniform();
    d.DuplicateJitter = random.Uniform();
    d.Reorder = random.Uniform();
    d.DuplicateReorder = random.Uniform();
    return d;
}

} // namespace

CLinkModel::CLinkModel(const SLinkSettings& settings, std::uint64_t seed)
    : m_settings(settings), m_random(seed), m_rate(settings.Rate, settings.EffectiveBurst(), settings.QueueLimit)
{}

long CLinkModel::FlipBit(std::vector<std::uint8_t>& data, double draw)
{
    if (data.empty())
        return -1;
    const std::size_t bits = data.size() * 8;
    const std::size_t bit = std::min(bits - 1, static_cast<std::size_t>(draw * static_cast<double>(bits)));
    data[bit / 8] ^= static_cast<std::uint8_t>(1u << (bit % 8));
    return static_cast<long>(bit / 8);
}

std::int64_t CLinkModel::ReleaseTime(std::int64_t departure, double jitterDraw, double reorderDraw)
{
    std::int64_t delay = m_settings.Delay;
    if (m_settings.Jitter > 0) {
        const double offset = (jitterDraw * 2.0 - 1.0) * static_cast<double>(m_settings.Jitter);
        delay = std::max<std::int64_t>(0, delay + static_cast<std::int64_t>(std::llround(offset)));
    }
    if (Chance(reorderDraw, m_settings.ReorderPercent))
        delay += m_settings.ReorderGap;
    const std::int64_t release = departure + delay;
    if (release < m_latestRelease)
        ++m_stats.Reordered;
    m_latestRelease = std::max(m_latestRelease, release);
    return release;
}

std::vector<CLinkModel::SCopy> CLinkModel::Process(std::int64_t now, const std::vector<std::uint8_t>& datagram)
{
    const SDraws d = Draw(m_random);
    std::vector<SCopy> copies;
    ++m_stats.Received;

    // Gilbert-Elliott with a lossless good state and a lossy bad one: a burst begins with the
    // chance given and ends before each later datagram with 1/length, so lengths are geometric.
    if (m_inBurst) {
        if (d.Burst * std::max(1.0, m_settings.BurstLength) < 1.0)
            m_inBurst = false;
    } else if (Chance(d.Burst, m_settings.BurstStartPercent)) {
        m_inBurst = true;
    }
    if (m_inBurst) {
        ++m_stats.BurstLost;
        return copies;
    }
    if (Chance(d.Loss, m_settings.LossPercent)) {
        ++m_stats.Lost;
        return copies;
    }

    const std::int64_t departure = m_rate.Admit(now, static_cast<std::uint32_t>(datagram.size()));
    if (departure == CRateLimiter::DROP) {
        ++m_stats.QueueDropped;
        return copies;
    }

    SCopy first{0, datagram};
    if (Chance(d.Corrupt, m_settings.CorruptPercent) && FlipBit(first.Bytes, d.CorruptWhere) >= 0)
        ++m_stats.Corrupted;
    first.Release = ReleaseTime(departure, d.Jitter, d.Reorder);
    copies.push_back(first);
    // The copy is made behind the bottleneck, as a faulty router would, with a delay of its own.
    if (Chance(d.Duplicate, m_settings.DuplicatePercent)) {
        ++m_stats.Duplicated;
        SCopy second{ReleaseTime(departure, d.DuplicateJitter, d.DuplicateReorder), first.Bytes};
        copies.push_back(second);
    }
    m_stats.Forwarded += copies.size();
    m_stats.Bytes += copies.size() * datagram.size();
    return copies;
}

} // namespace TarnixRelay
