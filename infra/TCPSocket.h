#pragma once
// IPv4 TCP stream socket: recv/send, and a connect that may finish later in the dispatcher.

#include "infra/IPAddress.h"
#include "infra/IPv4Socket.h"

#include <cstdint>

namespace sti {

class CTCPSocket : public CIPv4Socket {
public:
    CTCPSocket() = default;

    // Creates the socket (made non-blocking when asked) and connects. ST_SUCCESS: connected
    // (state 2). ST_IN_PROGRESS: state 1, the dispatcher's connect completion finishes the
    // job. Both keep the peer's address. Any other result leaves no open handle behind.
    Status Connect(const CIPEndpoint& peer, bool nonBlocking);

    // Also reads the peer's address.
    void AttachHandle(STI_OS::SocketHandle handle) override;
    // Also forgets the peer.
    void Reset() override;

    Status Read(std::uint32_t size, void* buffer, std::uint32_t& count) override;
    Status Write(std::uint32_t length, const void* data, std::uint32_t& count) override;
    // ST_NOT_CONNECTED unless connected.
    Status ShutdownSend() override;

    std::uint32_t GetPeerAddress() const { return m_peerAddress; }
    int GetPeerPort() const { return m_peerPort; } // -1 when unknown

private:
    std::uint32_t m_peerAddress = 0;
    int m_peerPort = -1;
};

} // namespace sti
