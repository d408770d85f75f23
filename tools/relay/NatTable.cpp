#include "tools/relay/NatTable.h"

#include "tools/relay/Random.h"

namespace TarnixRelay {

SMapping::SMapping(std::size_t index, const SEndpoint& inside, CFd outside, const SLinkSettings& up,
                   const SLinkSettings& down, std::uint64_t seed)
    : Index(index), Inside(inside), Outside(std::move(outside)), OutsideAddress(LocalEndpoint(Outside.Get())),
      Up(up, CRandom::Derive(seed, index * 2)), Down(down, CRandom::Derive(seed, index * 2 + 1))
{}

CNatTable::CNatTable(const SEndpoint& outside, std::uint32_t insideAddress, const SLinkSettings& up,
                     const SLinkSettings& down, std::uint64_t seed)
    : m_outside(outside), m_insideAddress(insideAddress), m_up(up), m_down(down), m_seed(seed)
{}

SMapping* CNatTable::Find(const SEndpoint& inside)
{
    auto it = m_byInside.find(inside);
    return it == m_byInside.end() ? nullptr : it->second;
}

SMapping* CNatTable::Create(const SEndpoint& inside, std::string& error)
{
    if (m_mappings.size() >= MAX_MAPPINGS) {
        error = "NAT table full";
        return nullptr;
    }
    SEndpoint local = m_outside;
    if (!m_mappings.empty())
        local.Port = 0;
    CFd fd = OpenUdp(local, error);
    if (!fd.Valid())
        return nullptr;
    m_mappings.push_back(std::make_unique<SMapping>(m_mappings.size(), inside, std::move(fd), m_up, m_down, m_seed));
    SMapping* mapping = m_mappings.back().get();
    m_byInside[inside] = mapping;
    return mapping;
}

int CNatTable::Reflection(SMapping& mapping, const SEndpoint& party, std::string& error)
{
    auto it = mapping.Reflections.find(party);
    if (it != mapping.Reflections.end())
        return it->second.Get();
    if (mapping.Reflections.size() >= MAX_REFLECTIONS) {
        error = "too many outside parties for " + mapping.Inside.ToString();
        return -1;
    }
    SEndpoint local;
    local.Address = m_insideAddress;
    CFd fd = OpenUdp(local, error);
    if (!fd.Valid())
        return -1;
    const int raw = fd.Get();
    mapping.Reflections.emplace(party, std::move(fd));
    return raw;
}

std::size_t CNatTable::ReflectionCount() const
{
    std::size_t count = 0;
    for (const auto& mapping : m_mappings)
        count += mapping->Reflections.size();
    return count;
}

} // namespace TarnixRelay
