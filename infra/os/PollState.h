#pragma once
// The record behind a poll handle. Internal to the poller.

#include "infra/Status.h"
#include "infra/os/Poller.h"

#include <cstdint>
#include <vector>

namespace STI_OS {
namespace internal {

// Bounded set of sockets in insertion order; removal keeps the order of the others.
class _SocketSet {
public:
    bool Contains(SocketHandle socket) const;
    bool IsFull() const { return m_count == POLL_SET_CAPACITY; }
    // Already present: nothing changes. Full: ST_TOO_MANY_SOCKETS.
    Status Add(SocketHandle socket);
    void Remove(SocketHandle socket);
    std::uint32_t Count() const { return m_count; }
    const SocketHandle* Data() const { return m_sockets; }

private:
    std::uint32_t m_count = 0;
    SocketHandle m_sockets[POLL_SET_CAPACITY];
};

struct _ReadyEntry {
    SocketHandle socket;
    int flags;
};

struct _PollState {
    SocketHandle highest = -1; // highest registered socket value
    int readyCount = 0;        // flags still to hand out from the last wait
    std::size_t cursor = 0;    // next entry of ready to look at
    _SocketSet readInterest;
    _SocketSet writeInterest;
    std::vector<_ReadyEntry> ready;        // last wait's result, ascending by socket value
    std::vector<std::uint32_t> registered; // one bit per socket value
};

} // namespace internal
} // namespace STI_OS
