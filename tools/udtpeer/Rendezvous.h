#pragma once
// The peer's address as the rendezvous server sees it, learnt with the same connect request an
// Ant session sends: so a UDT pair meets through the real server, and through a relay's NAT,
// exactly as two Ant copies do.

#include <netinet/in.h>

#include <cstdint>
#include <string>

namespace UdtPeer {

struct SRendezvousRequest {
    std::uint32_t OwnId = 0;
    std::uint32_t PeerId = 0;
    std::uint64_t Key = 0;
};

// Sends the request from fd (a bound UDP socket) to server every half second until the
// server's relay for this key arrives; false (reason in error) when none came within timeoutMs.
bool AskRendezvous(int fd, const sockaddr_in& server, const SRendezvousRequest& request, int timeoutMs,
                   sockaddr_in& peer, std::string& error);

} // namespace UdtPeer
