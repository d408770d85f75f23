#include "tools/relay/Endpoint.h"

#include <arpa/inet.h>
#include <netdb.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace TarnixRelay {

sockaddr_in SEndpoint::ToSockaddr() const
{
    sockaddr_in addr;
    std::memset(&addr, 0, sizeof(addr));
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(Address);
    addr.sin_port = htons(Port);
    return addr;
}

SEndpoint SEndpoint::FromSockaddr(const sockaddr_in& addr)
{
    SEndpoint endpoint;
    endpoint.Address = ntohl(addr.sin_addr.s_addr);
    endpoint.Port = ntohs(addr.sin_port);
    return endpoint;
}

std::string SEndpoint::ToString() const
{
    return std::to_string(Address >> 24) + "." + std::to_string((Address >> 16) & 0xFF) + "." +
           std::to_string((Address >> 8) & 0xFF) + "." + std::to_string(Address & 0xFF) + ":" + std::to_string(Port);
}

namespace {

bool ResolveHost(const std::string& host, std::uint32_t& address, std::string& error)
{
    in_addr parsed;
    if (inet_pton(AF_INET, host.c_str(), &parsed) == 1) {
        address = ntohl(parsed.s_addr);
        return true;
    }
    addrinfo hints;
    std::memset(&hints, 0, sizeof(hints));
    hints.ai_family = AF_INET;
    addrinfo* found = nullptr;
    const int rc = getaddrinfo(host.c_str(), nullptr, &hints, &found);
    if (rc != 0 || found == nullptr) {
        error = "cannot resolve '" + host + "'";
        return false;
    }
    address = ntohl(reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr);
    freeaddrinfo(found);
    return true;
}

} // namespace

bool ParseEndpoint(const std::string& text, bool allowNoPort, SEndpoint& out, std::string& error)
{
    const std::size_t colon = text.rfind(':');
    std::string host = text;
    long port = 0;
    if (colon != std::string::npos) {
        host = text.substr(0, colon);
        const std::string portText = text.substr(colon + 1);
        char* end = nullptr;
        errno = 0;
        port = std::strtol(portText.c_str(), &end, 10);
        if (portText.empty() || *end != '\0' || errno != 0 || port < 0 || port > 65535) {
            error = "bad port in '" + text + "'";
            return false;
        }
    } else if (!allowNoPort) {
        error = "'" + text + "' needs host:port";
        return false;
    }
    if (host.empty()) {
        error = "no host in '" + text + "'";
        return false;
    }
    SEndpoint endpoint;
    if (!ResolveHost(host, endpoint.Address, error))
        return false;
    endpoint.Port = static_cast<std::uint16_t>(port);
    out = endpoint;
    return true;
}

} // namespace TarnixRelay
