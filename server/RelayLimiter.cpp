#include "server/RelayLimiter.h"

namespace TarnixServer {

namespace {

constexpr std::uint64_t FULL = std::uint64_t(CRelayLimiter::BURST) * 1000;
constexpr std::uint64_t COST = 1000;

} // namespace

bool CRelayLimiter::Refill(SBucket& bucket, std::uint64_t now)
{
    if (now > bucket.At) {
        const std::uint64_t gained = (now - bucket.At) * PER_SECOND;
        bucket.MilliTokens = gained >= FULL - bucket.MilliTokens ? FULL : bucket.MilliTokens + gained;
        bucket.At = now;
    }
    return bucket.MilliTokens == FULL;
}

CRelayLimiter::Verdict CRelayLimiter::OnMessage(std::uint32_t sender, std::uint32_t addressee, std::uint64_t now)
{
    SSender& state = m_senders[sender];
    auto found = state.Buckets.find(addressee);
    if (found == state.Buckets.end()) {
        if (state.Buckets.size() >= MAX_ADDRESSEES_PER_SENDER)
            ExpireBuckets(state, now);
        if (state.Buckets.size() >= MAX_ADDRESSEES_PER_SENDER) {
            const bool first = !state.Dropping;
            state.Dropping = true;
            return first ? DROP_FIRST : DROP;
        }
        SBucket fresh;
        fresh.MilliTokens = FULL;
        fresh.At = now;
        found = state.Buckets.emplace(addressee, fresh).first;
    }
    SBucket& bucket = found->second;
    if (Refill(bucket, now))
        bucket.Dropping = false;
    if (bucket.MilliTokens >= COST) {
        bucket.MilliTokens -= COST;
        return PASS;
    }
    const bool first = !bucket.Dropping;
    bucket.Dropping = true;
    return first ? DROP_FIRST : DROP;
}

void CRelayLimiter::Forget(std::uint32_t sender)
{
    m_senders.erase(sender);
}

void CRelayLimiter::ExpireBuckets(SSender& sender, std::uint64_t now)
{
    for (auto it = sender.Buckets.begin(); it != sender.Buckets.end();) {
        if (Refill(it->second, now))
            it = sender.Buckets.erase(it);
        else
            ++it;
    }
    if (sender.Buckets.size() < MAX_ADDRESSEES_PER_SENDER)
        sender.Dropping = false;
}

void CRelayLimiter::Expire(std::uint64_t now)
{
    for (auto sender = m_senders.begin(); sender != m_senders.end();) {
        ExpireBuckets(sender->second, now);
        if (sender->second.Buckets.empty())
            sender = m_senders.erase(sender);
        else
            ++sender;
    }
}

std::size_t CRelayLimiter::Count() const
{
    std::size_t count = 0;
    for (const auto& sender : m_senders)
        count += sender.second.Buckets.size();
    return count;
}

} // namespace TarnixServer
