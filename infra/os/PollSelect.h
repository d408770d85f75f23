#pragma once
// The process poller's interface and its implementation. Internal: callers use the
// facades of Poller.h.

#include "infra/Status.h"
#include "infra/os/Poller.h"

#include <cstdint>
#include <vector>

namespace STI_OS {
namespace internal {

class _Poll {
public:
    virtual ~_Poll() = default;
    virtual Status Init(PollHandle& handle) = 0;
    virtual Status Release(PollHandle& handle) = 0;
    virtual Status GetInterest(PollHandle& handle, SocketHandle socket, int& flags) = 0;
    virtual Status SetInterest(PollHandle& handle, SocketHandle socket, int flags) = 0;
    virtual Status AddInterest(PollHandle& handle, SocketHandle socket, int flags) = 0;
    virtual Status RemoveInterest(PollHandle& handle, SocketHandle socket, int flags) = 0;
    virtual Status Register(PollHandle& handle, SocketHandle socket, int flags) = 0;
    virtual Status Unregister(PollHandle& handle, SocketHandle socket) = 0;
    virtual Status Wait(PollHandle& handle, std::uint32_t milliseconds) = 0;
    virtual Status NextReady(PollHandle& handle, SocketHandle& socket, int& flags) = 0;
    virtual Status GetCount(PollHandle& handle, std::uint32_t& count) = 0;
    virtual Status GetAll(PollHandle& handle, std::vector<SocketHandle>& sockets) = 0;
};

// Stateless: everything lives in the handle's state. The wait itself is the platform's
// (select on Windows, poll elsewhere).
class _PollSelect : public _Poll {
public:
    Status Init(PollHandle& handle) override;
    Status Release(PollHandle& handle) override;
    Status GetInterest(PollHandle& handle, SocketHandle socket, int& flags) override;
    Status SetInterest(PollHandle& handle, SocketHandle socket, int flags) override;
    Status AddInterest(PollHandle& handle, SocketHandle socket, int flags) override;
    Status RemoveInterest(PollHandle& handle, SocketHandle socket, int flags) override;
    Status Register(PollHandle& handle, SocketHandle socket, int flags) override;
    Status Unregister(PollHandle& handle, SocketHandle socket) override;
    Status Wait(PollHandle& handle, std::uint32_t milliseconds) override;
    Status NextReady(PollHandle& handle, SocketHandle& socket, int& flags) override;
    Status GetCount(PollHandle& handle, std::uint32_t& count) override;
    Status GetAll(PollHandle& handle, std::vector<SocketHandle>& sockets) override;
};

} // namespace internal
} // namespace STI_OS
