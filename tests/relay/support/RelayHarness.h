#pragma once

#include "tools/relay/Relay.h"

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

namespace RelayTest {

using TarnixRelay::SEndpoint;

SEndpoint Loopback(std::uint8_t last, std::uint16_t port = 0);

// A relay running in a thread of its own for the life of the object.
class CRunningRelay {
public:
    // extra: further switches after --listen/--server/--server-udp/--outside.
    CRunningRelay(const SEndpoint& listen, const SEndpoint& serverTcp, const SEndpoint& serverUdp,
                  const SEndpoint& outside, const std::vector<std::string>& extra = {});
    ~CRunningRelay();

    bool Ok() const { return m_ok; }
    const std::string& Error() const { return m_error; }
    SEndpoint Inside() const { return m_relay->InsideAddress(); }
    // Stops the relay (once) and returns its counts.
    TarnixRelay::SRelayStats StopAndCollect();
    TarnixRelay::CRelay& Relay() { return *m_relay; }

private:
    std::unique_ptr<TarnixRelay::CRelay> m_relay;
    std::thread m_thread;
    bool m_ok = false;
    std::string m_error;
};

// A blocking UDP socket for the far ends of a test.
class CUdpPeer {
public:
    explicit CUdpPeer(const SEndpoint& local);
    SEndpoint Address() const { return m_address; }
    bool SendTo(const SEndpoint& to, const std::vector<std::uint8_t>& bytes);
    // Waits up to timeoutMs for one datagram; false on timeout.
    bool Receive(std::vector<std::uint8_t>& bytes, SEndpoint& from, int timeoutMs = 2000);

private:
    TarnixRelay::CFd m_fd;
    SEndpoint m_address;
};

std::vector<std::uint8_t> Numbered(std::uint32_t n, std::size_t size);
std::uint32_t NumberOf(const std::vector<std::uint8_t>& bytes);

} // namespace RelayTest
