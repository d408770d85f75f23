#include "messaging/ServerConfig.h"

#include <cstdlib>

#include "messaging/Protocol.h"

namespace KV2Protocol {

std::string ServerHost()
{
    const char* host = std::getenv("TARNIX_SERVER_HOST");
    if (host && *host)
        return host;
    return DEFAULT_SERVER_HOST;
}

} // namespace KV2Protocol
