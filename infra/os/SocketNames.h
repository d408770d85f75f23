#pragma once

#include "infra/Status.h"
#include "infra/os/Socket.h"

#include <cstdint>

// The one call behind GetPeerName and GetSockName that differs per platform. Only the OS layer
// includes this.
namespace STI_OS {
namespace internal {

// The socket's IPv4 peer name (peer) or local name, in host order; outputs undefined on failure.
Status ReadSocketName(SocketHandle handle, bool peer, std::uint32_t& address, std::uint16_t& port);

} // namespace internal
} // namespace STI_OS
