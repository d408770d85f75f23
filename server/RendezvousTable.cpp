#include "server/RendezvousTable.h"

namespace TarnixServer {

namespace {

bool SameSide(const SRendezvousSide& a, const SRendezvousSide& b)
{
    return a.OwnId == b.OwnId && a.PeerId == b.PeerId;
}

bool Complements(const SRendezvousSide& waiting, const SRendezvousSide& other)
{
    return other.OwnId == waiting.PeerId && other.PeerId == waiting.OwnId && other.OwnId != waiting.OwnId;
}

SRendezvousSide Kept(const SRendezvousSide& side)
{
    SRendezvousSide kept = side;
    if (kept.LocalAddresses.size() > CRendezvousTable::MAX_LOCAL_ADDRESSES)
        kept.LocalAddresses.resize(CRendezvousTable::MAX_LOCAL_ADDRESSES);
    return kept;
}

} // namespace

bool CRendezvousTable::Expired(const SEntry& entry, std::uint64_t now)
{
    return now >= entry.LastRequest && now - entry.LastRequest >= LIFETIME_MS;
}

void CRendezvousTable::AddAnswer(const SRendezvousSide& to, const SRendezvousSide& about,
                                 std::vector<SRendezvousAnswer>& answers)
{
    SRendezvousAnswer answer;
    answer.To = to;
    answer.About = about;
    answers.push_back(answer);
}

CRendezvousTable::Outcome CRendezvousTable::OnRequest(std::uint64_t key, const SRendezvousSide& side, std::uint64_t now,
                                                      std::vector<SRendezvousAnswer>& answers)
{
    auto found = m_entries.find(key);
    if (found != m_entries.end() && Expired(found->second, now)) {
        Erase(found);
        found = m_entries.end();
    }
    if (found == m_entries.end()) {
        auto source = m_sources.find(side.Address);
        if (source != m_sources.end() && source->second.Keys >= MAX_KEYS_PER_SOURCE) {
            const bool first = !source->second.Refusing;
            source->second.Refusing = true;
            return first ? REFUSED_SOURCE : REFUSED_SOURCE_AGAIN;
        }
        if (m_entries.size() >= MAX_KEYS)
            Expire(now);
        if (m_entries.size() >= MAX_KEYS)
            return REFUSED_FULL;
        SEntry& entry = m_entries[key];
        entry.Sides[0] = Kept(side);
        entry.SideCount = 1;
        entry.LastRequest = now;
        entry.Source = side.Address;
        ++m_sources[side.Address].Keys;
        return WAITING;
    }

    SEntry& entry = found->second;
    for (std::size_t i = 0; i < entry.SideCount; ++i) {
        if (!SameSide(entry.Sides[i], side))
            continue;
        entry.Sides[i] = Kept(side);
        entry.LastRequest = now;
        if (entry.SideCount < 2)
            return WAITING;
        AddAnswer(entry.Sides[i], entry.Sides[1 - i], answers);
        return REPEATED;
    }
    if (entry.SideCount == 2 || !Complements(entry.Sides[0], side))
        return REFUSED_TAKEN;
    entry.Sides[1] = Kept(side);
    entry.SideCount = 2;
    entry.LastRequest = now;
    AddAnswer(entry.Sides[1], entry.Sides[0], answers);
    AddAnswer(entry.Sides[0], entry.Sides[1], answers);
    return PAIRED;
}

void CRendezvousTable::Expire(std::uint64_t now)
{
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        if (Expired(it->second, now))
            it = Erase(it);
        else
            ++it;
    }
}

std::map<std::uint64_t, CRendezvousTable::SEntry>::iterator
CRendezvousTable::Erase(std::map<std::uint64_t, SEntry>::iterator entry)
{
    auto source = m_sources.find(entry->second.Source);
    if (source != m_sources.end()) {
        source->second.Refusing = false;
        if (--source->second.Keys == 0)
            m_sources.erase(source);
    }
    return m_entries.erase(entry);
}

} // namespace TarnixServer
