#pragma once

#include <netinet/in.h>

#include <cstdint>
#include <string>

namespace TarnixRelay {

// An IPv4 address and port in host order; the relay's one way of naming a socket address.
struct SEndpoint {
    std::uint32_t Address = 0;
    std::uint16_t Port = 0;

    bool IsLoopback() const { return (Address >> 24) == 127; }
    sockaddr_in ToSockaddr() const;
    static SEndpoint FromSockaddr(const sockaddr_in& addr);
    std::string ToString() const;

    friend bool operator==(const SEndpoint& a, const SEndpoint& b)
    {
        return a.Address == b.Address && a.Port == b.Port;
    }
    friend bool operator!=(const SEndpoint& a, const SEndpoint& b) { return !(a == b); }
    friend bool operator<(const SEndpoint& a, const SEndpoint& b)
    {
        return a.Address != b.Address ? a.Address < b.Address : a.Port < b.Port;
    }
};

// "host:port" or, with allowNoPort, a bare "host" (port 0). The host is a dotted quad or a name
// that resolves to IPv4. False with a reason in error otherwise.
bool ParseEndpoint(const std::string& text, bool allowNoPort, SEndpoint& out, std::string& error);

} // namespace TarnixRelay
