#pragma once

#include <cstdint>

#include "infra/Status.h"
#include "infra/os/Socket.h"

namespace TarnixServer {

// The listening TCP socket. Owns its handle; accepted sockets belong to the caller.
class CListener {
public:
    CListener() = default;
    ~CListener();
    CListener(const CListener&) = delete;
    CListener& operator=(const CListener&) = delete;

    // Binds (port 0: any free port) and listens, non-blocking.
    Status Open(std::uint32_t address, std::uint16_t port);
    void Close();

    // One waiting connection, non-blocking; ST_TRY_LATER when none waits.
    Status Accept(STI_OS::SocketHandle& socket, std::uint32_t& peerAddress, std::uint16_t& peerPort);

    STI_OS::SocketHandle Handle() const { return m_socket; }
    std::uint32_t Address() const { return m_address; }
    std::uint16_t Port() const { return m_port; }

private:
    STI_OS::SocketHandle m_socket = STI_OS::INVALID_SOCKET_HANDLE;
    std::uint32_t m_address = 0;
    std::uint16_t m_port = 0;
};

// Platform part (server/os/<platform>): lets a restarted server take its port back at once
// without letting another program share it.
Status PrepareListeningSocket(STI_OS::SocketHandle socket);

} // namespace TarnixServer
