#pragma once

#include <cstdint>
#include <functional>
#include <map>

#include "infra/Status.h"
#include "infra/os/Poller.h"
#include "infra/os/Socket.h"

namespace TarnixServer {

// The server's one-thread readiness loop over the OS layer's poller. It does not own the sockets
// registered with it; an owner removes its socket before closing it. Any socket kind can join
// (the listener, the connections, a datagram socket), each with its own callback.
class CEventLoop {
public:
    using ReadyCallback = std::function<void(int flags)>;

    CEventLoop();
    ~CEventLoop();
    CEventLoop(const CEventLoop&) = delete;
    CEventLoop& operator=(const CEventLoop&) = delete;

    // Poll state and the wake-up pair.
    Status Open();

    Status Add(STI_OS::SocketHandle socket, int flags, ReadyCallback callback);
    Status SetInterest(STI_OS::SocketHandle socket, int flags);
    // Readiness of the current turn not yet handed out for the socket is dropped with it.
    void Remove(STI_OS::SocketHandle socket);

    // Waits up to the time, then runs the callbacks of the ready sockets. A callback may add and
    // remove sockets, its own included.
    Status RunTurn(std::uint32_t milliseconds);

    // Ends the current or next wait early; any thread.
    void Wake();

private:
    void DrainWake();

    STI_OS::PollHandle m_poll;
    bool m_open = false;
    std::map<STI_OS::SocketHandle, ReadyCallback> m_callbacks;
    STI_OS::SocketHandle m_wakeRead = STI_OS::INVALID_SOCKET_HANDLE;
    STI_OS::SocketHandle m_wakeWrite = STI_OS::INVALID_SOCKET_HANDLE;
};

} // namespace TarnixServer
