// poll() rather than select(): select cannot take descriptors of 1024 and above.
#include "infra/os/PollWait.h"
#include "infra/os/SocketCalls.h"

#include "infra/os/ErrorTranslation.h"

#include <algorithm>
#include <cerrno>
#include <climits>

#include <poll.h>
#include <sys/socket.h>

namespace STI_OS {
namespace internal {

namespace {

bool IsDatagramSocket(int fd)
{
    int type = 0;
    socklen_t length = sizeof(type);
    return ::getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &length) == 0 && type == SOCK_DGRAM;
}

int ToFlags(const pollfd& entry)
{
    const bool wantsRead = (entry.events & POLLIN) != 0;
    const bool wantsWrite = (entry.events & POLLOUT) != 0;
    int flags = 0;
    if (entry.revents & POLLNVAL) {
        return POLL_EXCEPTION; // not an open descriptor: the owner has to drop it
    }
    if (wantsRead && (entry.revents & POLLIN)) {
        flags |= POLL_READ;
    }
    if (wantsWrite && (entry.revents & POLLOUT)) {
        flags |= POLL_WRITE;
    }
    if (entry.revents & (POLLERR | POLLHUP)) {
        // A reader learns of it from its next read; a writer (a connect among them) at once.
        // A datagram socket's error is an ICMP report for one earlier send, queued for its
        // reader: the socket itself is sound.
        if (wantsRead) {
            flags |= POLL_READ;
        }
        if (wantsWrite && !IsDatagramSocket(entry.fd)) {
            flags |= POLL_WRITE | POLL_EXCEPTION;
        }
    }
    return flags;
}

} // namespace

Status _WaitForReadiness(const _PollState& state, std::uint32_t milliseconds, std::vector<_ReadyEntry>& ready)
{
    // Reused between waits; a poll state belongs to one thread.
    thread_local std::vector<pollfd> entries;
    entries.clear();
    const _SocketSet& reads = state.readInterest;
    const _SocketSet& writes = state.writeInterest;
    for (std::uint32_t i = 0; i < reads.Count(); ++i) {
        entries.push_back(pollfd{static_cast<int>(reads.Data()[i]), POLLIN, 0});
    }
    for (std::uint32_t i = 0; i < writes.Count(); ++i) {
        entries.push_back(pollfd{static_cast<int>(writes.Data()[i]), POLLOUT, 0});
    }
    std::sort(entries.begin(), entries.end(), [](const pollfd& a, const pollfd& b) { return a.fd < b.fd; });
    std::size_t kept = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (kept > 0 && entries[kept - 1].fd == entries[i].fd) {
            entries[kept - 1].events |= entries[i].events;
        } else {
            entries[kept++] = entries[i];
        }
    }
    entries.resize(kept);

    const int timeout = milliseconds > static_cast<std::uint32_t>(INT_MAX) ? INT_MAX : static_cast<int>(milliseconds);
    internal::CountWait();
    const int result = ::poll(entries.data(), static_cast<nfds_t>(entries.size()), timeout);
    if (result == 0) {
        return ST_TIMEOUT;
    }
    if (result < 0) {
        // A signal cut the wait short: nothing is ready yet.
        return errno == EINTR ? ST_TIMEOUT : TranslateSocketResult(-1);
    }
    for (const pollfd& entry : entries) {
        if (entry.revents == 0) {
            continue;
        }
        if (int flags = ToFlags(entry)) {
            ready.push_back(_ReadyEntry{entry.fd, flags});
        }
    }
    return ST_SUCCESS;
}

} // namespace internal
} // namespace STI_OS
