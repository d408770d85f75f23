#pragma once

#include "infra/Status.h"

#include <cstdint>

// IPv4 address in host byte order (127.0.0.1 is 0x7F000001).
class CIPAddress {
public:
    CIPAddress() = default;
    explicit CIPAddress(std::uint32_t hostOrder) : m_address(hostOrder) {}
    // a.b.c.d, a most significant.
    CIPAddress(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d)
        : m_address((std::uint32_t(a) << 24) | (std::uint32_t(b) << 16) | (std::uint32_t(c) << 8) | d)
    {}
    // Resolves through the platform's host lookup (first IPv4 address). On failure the
    // address is 0xFFFFFFFF and result comes from the host-lookup table.
    CIPAddress(const char* hostName, Status& result) { result = Resolve(hostName); }

    Status Resolve(const char* hostName);

    std::uint32_t Get() const { return m_address; }
    void Set(std::uint32_t hostOrder) { m_address = hostOrder; }

    bool operator==(const CIPAddress& other) const { return m_address == other.m_address; }
    bool operator!=(const CIPAddress& other) const { return m_address != other.m_address; }
    bool operator<(const CIPAddress& other) const { return m_address < other.m_address; }

private:
    std::uint32_t m_address = 0;
};

// TCP/UDP port in host byte order.
class CIPPort {
public:
    CIPPort() = default;
    explicit CIPPort(std::uint16_t port) : m_port(port) {}

    std::uint16_t Get() const { return m_port; }
    void Set(std::uint16_t port) { m_port = port; }

    bool operator==(const CIPPort& other) const { return m_port == other.m_port; }
    bool operator!=(const CIPPort& other) const { return m_port != other.m_port; }

private:
    std::uint16_t m_port = 0;
};

// Address and port; ordered by address, then port.
class CIPEndpoint {
public:
    CIPEndpoint() = default;
    CIPEndpoint(const CIPAddress& address, std::uint16_t port) : m_address(address), m_port(port) {}
    CIPEndpoint(const CIPAddress& address, const CIPPort& port) : m_address(address), m_port(port.Get()) {}
    // Resolves the host name as CIPAddress does.
    CIPEndpoint(const char* hostName, std::uint16_t port, Status& result) : m_address(hostName, result), m_port(port) {}

    const CIPAddress& GetAddress() const { return m_address; }
    void SetAddress(const CIPAddress& address) { m_address = address; }
    std::uint16_t GetPort() const { return m_port; }
    void SetPort(std::uint16_t port) { m_port = port; }

    bool operator<(const CIPEndpoint& other) const
    {
        if (m_address != other.m_address)
            return m_address < other.m_address;
        return m_port < other.m_port;
    }
    bool operator==(const CIPEndpoint& other) const { return m_address == other.m_address && m_port == other.m_port; }
    bool operator!=(const CIPEndpoint& other) const { return !(*this == other); }

private:
    CIPAddress m_address;
    std::uint16_t m_port = 0;
};
