#pragma once

#include "tools/relay/EventLoop.h"
#include "tools/relay/NatTable.h"
#include "tools/relay/RelayConfig.h"
#include "tools/relay/RelayStats.h"

#include <cstdint>
#include <vector>

namespace TarnixRelay {

// The datagram side of the NAT. What the copy sends to the inside socket goes, through its up
// link, to the server from the copy's outside socket. What reaches an outside socket goes,
// through the copy's down link, to the copy: from the inside socket when the server sent it,
// from a reflection otherwise. A datagram from one copy to another copy's outside socket
// (both behind this relay) passes the sender's up link and then the receiver's down link, and
// arrives from the sender's outside address, as it would through two real NATs.
class CUdpRelay {
public:
    static constexpr std::size_t MAX_IN_FLIGHT = 100000;

    // inside: the bound inside UDP socket (owned from here on).
    CUdpRelay(CEventLoop& loop, const SRelayConfig& config, CFd inside);
    CUdpRelay(const CUdpRelay&) = delete;
    CUdpRelay& operator=(const CUdpRelay&) = delete;
    ~CUdpRelay();

    // Adds the link and NAT counts to stats.
    void CollectStats(SRelayStats& stats) const;

private:
    // Where a datagram goes after its first link: maybe a second link, then out of fd to dest.
    struct SRoute {
        CLinkModel* Second;
        int Fd;
        SEndpoint Dest;
    };

    void WatchOutside(SMapping& mapping);
    void WatchReflection(SMapping& mapping, int fd, const SEndpoint& party);
    void OnInside();
    void OnOutside(SMapping& mapping);
    void OnReflection(SMapping& mapping, int fd, const SEndpoint& party);
    // Reads one datagram; false when none is waiting.
    bool Receive(int fd, SEndpoint& from);
    void Pass(CLinkModel& link, std::int64_t now, const SRoute& route, const std::vector<std::uint8_t>& datagram);

    CEventLoop& m_loop;
    SEndpoint m_serverUdp;
    CFd m_inside;
    CNatTable m_nat;
    std::vector<std::uint8_t> m_buffer;
    std::uint64_t m_refused = 0;
    std::uint64_t m_strays = 0;
    std::uint64_t m_overflow = 0;
    std::uint64_t m_sendErrors = 0;
};

} // namespace TarnixRelay
