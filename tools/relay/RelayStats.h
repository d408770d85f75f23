#pragma once

#include "tools/relay/LinkStats.h"

#include <cstdint>
#include <string>

namespace TarnixRelay {

// The counts behind the relay's one-line summary.
struct SRelayStats {
    SLinkStats Up;   // all mappings, copy to outside
    SLinkStats Down; // all mappings, outside to copy
    std::uint64_t Mappings = 0;
    std::uint64_t Reflections = 0;
    std::uint64_t Refused = 0;    // datagrams that found no room in the NAT table
    std::uint64_t Strays = 0;     // datagrams to a reflection from someone other than its copy
    std::uint64_t Overflow = 0;   // datagrams dropped because too many were in flight
    std::uint64_t SendErrors = 0; // the kernel would not take a datagram
    std::uint64_t TcpConnections = 0;
    std::uint64_t TcpBytesUp = 0;
    std::uint64_t TcpBytesDown = 0;

    std::string Format() const;
};

} // namespace TarnixRelay
