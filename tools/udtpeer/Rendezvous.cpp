#include "tools/udtpeer/Rendezvous.h"

#include "transport/ant/wire/AntHandshakeBodies.h"
#include "transport/ant/wire/AntHeader.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>

#include <chrono>
#include <cstring>

namespace UdtPeer {

namespace {

constexpr int RESEND_MS = 500;

bool SendRequest(int fd, const sockaddr_in& server, const SRendezvousRequest& request, std::uint16_t counter)
{
    SAntPacket packet = {};
    CAntPacketWriter writer(packet);
    // A failed field sticks in the writer; the body's result covers both.
    (void)WriteAntHeader(writer, SAntHeader::Control(AntConnectRequest, counter, 0));
    SAntConnectRequestBody body;
    body.OwnId = request.OwnId;
    body.PeerId = request.PeerId;
    body.Key = request.Key;
    if (WriteAntBody(writer, body) != ST_SUCCESS)
        return false;
    return ::sendto(fd, packet.Data, packet.Length, 0, reinterpret_cast<const sockaddr*>(&server), sizeof(server)) ==
           ssize_t(packet.Length);
}

// True when the datagram in packet is the server's relay for our key.
bool ReadRelay(const SAntPacket& packet, std::uint64_t key, sockaddr_in& peer)
{
    CAntPacketReader reader(packet);
    SAntHeader header;
    SAntConnectRelayBody body;
    if (ReadAntHeader(reader, header) != ST_SUCCESS || header.GetType() != AntConnectRelay ||
        ReadAntBody(reader, body) != ST_SUCCESS || body.Key != key)
        return false;
    std::memset(&peer, 0, sizeof(peer));
    peer.sin_family = AF_INET;
    peer.sin_addr.s_addr = htonl(body.Requester.Address);
    peer.sin_port = htons(body.Requester.Port);
    return true;
}

} // namespace

bool AskRendezvous(int fd, const sockaddr_in& server, const SRendezvousRequest& request, int timeoutMs,
                   sockaddr_in& peer, std::string& error)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::uint16_t counter = 0;
    Clock::time_point nextSend = Clock::now();
    for (;;) {
        const Clock::time_point now = Clock::now();
        if (now >= end) {
            error = "no_rendezvous";
            return false;
        }
        if (now >= nextSend) {
            if (!SendRequest(fd, server, request, counter++)) {
                error = "request_not_sent";
                return false;
            }
            nextSend = now + std::chrono::milliseconds(RESEND_MS);
        }
        const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(std::min(nextSend, end) - now);
        pollfd p = {fd, POLLIN, 0};
        if (::poll(&p, 1, int(wait.count()) + 1) <= 0)
            continue;
        SAntPacket packet = {};
        const ssize_t n = ::recv(fd, packet.Data, sizeof(packet.Data), 0);
        if (n <= 0)
            continue;
        packet.Length = std::uint32_t(n);
        if (ReadRelay(packet, request.Key, peer))
            return true;
    }
}

} // namespace UdtPeer
