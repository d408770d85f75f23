#include "tools/relay/RelayStats.h"

namespace TarnixRelay {

std::string SRelayStats::Format() const
{
    return "relay up: " + Up.Format() + " | down: " + Down.Format() + " | nat: mappings=" + std::to_string(Mappings) +
           " reflections=" + std::to_string(Reflections) + " refused=" + std::to_string(Refused) +
           " strays=" + std::to_string(Strays) + " overflow=" + std::to_string(Overflow) +
           " senderr=" + std::to_string(SendErrors) + " | tcp: conns=" + std::to_string(TcpConnections) +
           " up=" + std::to_string(TcpBytesUp) + " down=" + std::to_string(TcpBytesDown);
}

} // namespace TarnixRelay
