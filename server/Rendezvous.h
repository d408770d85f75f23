#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "infra/Status.h"
#include "infra/os/Socket.h"
#include "server/RendezvousTable.h"

namespace TarnixServer {

class CServerLog;

// The rendezvous service: a UDP socket that reads the transport's connect requests, pairs them by
// key (CRendezvousTable) and answers each side with a connect relay about the other. Owns its
// socket; the server's loop calls OnReadable.
//
// Datagrams that are not a whole connect request (too short, too long, another packet type, a
// body cut off or with bytes behind it) are dropped with a log line and never answered.
class CRendezvous {
public:
    // Datagrams taken per readiness, so a flood cannot hold up the connections.
    static constexpr int DATAGRAMS_PER_TURN = 64;

    explicit CRendezvous(CServerLog& log);
    ~CRendezvous();
    CRendezvous(const CRendezvous&) = delete;
    CRendezvous& operator=(const CRendezvous&) = delete;

    // Binds the socket, non-blocking. Port 0 is refused: the service shares its port number with
    // the TCP listener, so the caller names it.
    Status Open(std::uint32_t address, std::uint16_t port);
    void Close();

    void OnReadable(std::uint64_t now);
    void Expire(std::uint64_t now) { m_table.Expire(now); }

    STI_OS::SocketHandle Handle() const { return m_socket; }
    std::uint16_t Port() const { return m_port; }
    std::size_t KeyCount() const { return m_table.Count(); }

private:
    void OnDatagram(const std::uint8_t* data, std::uint32_t length, std::uint32_t address, std::uint16_t port,
                    std::uint64_t now);
    // The relay's header carries the control counter of the request it answers.
    void SendRelay(const SRendezvousAnswer& answer, std::uint64_t key);
    void Drop(std::uint32_t address, std::uint16_t port, std::uint32_t length, const std::string& why);

    CServerLog& m_log;
    CRendezvousTable m_table;
    STI_OS::SocketHandle m_socket = STI_OS::INVALID_SOCKET_HANDLE;
    std::uint16_t m_port = 0;
    std::vector<SRendezvousAnswer> m_answers; // reused per datagram
};

// Platform part (server/os/<platform>): keeps the datagram port to this server alone.
Status PrepareDatagramSocket(STI_OS::SocketHandle socket);

} // namespace TarnixServer
