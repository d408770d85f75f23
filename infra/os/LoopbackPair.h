#pragma once

#include "infra/os/Socket.h"

// Internals of STI_OS::CreateLoopbackPair, open to the OS layer and its tests.
namespace STI_OS {
namespace internal {

// Called with the listener's port after it listens and before the pair's own connect.
using BeforeConnectHook = void (*)(std::uint16_t listenerPort, void* context);

Status CreateLoopbackPair(SocketHandle& first, SocketHandle& second, BeforeConnectHook beforeConnect, void* context);

// Platform part: keeps other sockets off the listener's port (exclusive use on Windows,
// address reuse where the platform keeps a listening port private anyway).
Status PrepareLoopbackListener(SocketHandle listener);

} // namespace internal
} // namespace STI_OS
