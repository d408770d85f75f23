#pragma once
// IPv4 UDP socket. Close leaves the handle open: it is closed when the object dies.

#include "infra/IPAddress.h"
#include "infra/IPv4Socket.h"

#include <cstdint>

namespace sti {

class CUDPSocket : public CIPv4Socket {
public:
    CUDPSocket() = default;

    // Creates the socket and binds it; a failure leaves no handle. ST_IN_USE when a handle is
    // held already.
    Status Bind(const CIPAddress& address, std::uint16_t port);
    // Binds to 0.0.0.0.
    Status Bind(std::uint16_t port);
    bool IsBound() const { return m_bound; }

    void Close() override {}
    Status GetSocketError() override { return ST_SUCCESS; }
    void Reset() override;

    // One datagram; the sender becomes GetFromAddress. Nothing there leaves it unchanged.
    Status Read(std::uint32_t size, void* buffer, std::uint32_t& count) override;
    // Only on a connected socket (state 2); else ST_NOT_CONNECTED, nothing sent.
    Status Write(std::uint32_t length, const void* data, std::uint32_t& count) override;
    // sent is the whole length on success.
    Status SendTo(std::uint32_t length, const void* data, const CIPAddress& address, std::uint16_t port,
                  std::uint32_t& sent);

    const CIPEndpoint& GetFromAddress() const { return m_from; }
    Status GetLocalAddress(CIPEndpoint& local) const;
    Status SetReuseAddress();

private:
    CIPEndpoint m_from;
    bool m_bound = false;
};

} // namespace sti
