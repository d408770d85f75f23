#pragma once

#include "tools/relay/Endpoint.h"
#include "tools/relay/LinkModel.h"
#include "tools/relay/Socket.h"

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace TarnixRelay {

// One inside copy behind the NAT: its source address, the outside socket that stands for it
// (full cone: anyone may send to it) and its link in both directions.
//
// Outside parties other than the server reach the copy through a reflection: an inside socket
// of their own, so that the copy's answers to the address it saw go back to the right party.
struct SMapping {
    SMapping(std::size_t index, const SEndpoint& inside, CFd outside, const SLinkSettings& up,
             const SLinkSettings& down, std::uint64_t seed);

    std::size_t Index;
    SEndpoint Inside;
    CFd Outside;
    SEndpoint OutsideAddress;
    CLinkModel Up;
    CLinkModel Down;
    std::map<SEndpoint, CFd> Reflections; // outside party -> inside socket that stands for it
};

// The mappings of the relay, made on first use and kept for its lifetime (so pointers to them
// stay valid), each with sockets of its own, within fixed bounds.
class CNatTable {
public:
    static constexpr std::size_t MAX_MAPPINGS = 64;
    static constexpr std::size_t MAX_REFLECTIONS = 64; // per mapping

    // Outside sockets bind to outside (its port, if any, goes to the first mapping); reflections
    // bind to insideAddress.
    CNatTable(const SEndpoint& outside, std::uint32_t insideAddress, const SLinkSettings& up, const SLinkSettings& down,
              std::uint64_t seed);

    SMapping* Find(const SEndpoint& inside);
    // Null when the table is full or no socket could be had (reason in error).
    SMapping* Create(const SEndpoint& inside, std::string& error);
    // The inside socket standing for party in mapping; made when absent. Null as above.
    int Reflection(SMapping& mapping, const SEndpoint& party, std::string& error);

    const std::vector<std::unique_ptr<SMapping>>& Mappings() const { return m_mappings; }
    std::size_t ReflectionCount() const;

private:
    SEndpoint m_outside;
    std::uint32_t m_insideAddress;
    SLinkSettings m_up;
    SLinkSettings m_down;
    std::uint64_t m_seed;
    std::vector<std::unique_ptr<SMapping>> m_mappings;
    std::map<SEndpoint, SMapping*> m_byInside;
};

} // namespace TarnixRelay
