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

std::uint16_t ServerPort()
{
    const char* text = std::getenv("TARNIX_SERVER_PORT");
    if (!text || *text < '0' || *text > '9')
        return SERVER_PORT;
    char* end = nullptr;
    const unsigned long port = std::strtoul(text, &end, 10);
    if (*end != '\0' || port == 0 || port > 65535)
        return SERVER_PORT;
    return static_cast<std::uint16_t>(port);
}

} // namespace KV2Protocol
