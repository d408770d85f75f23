#pragma once
// Readiness poller under the dispatcher. The caller owns one poll handle (one per
// dispatcher, used by one thread); the process poller behind these functions has no state.
// Ready sockets come out one at a time, in ascending socket value, each at most once per
// wait, with all of its flags together.

#include "infra/Status.h"
#include "infra/os/Socket.h"

#include <cstdint>
#include <vector>

namespace STI_OS {

namespace internal {
struct _PollState;
} // namespace internal

struct PollHandle {
    internal::_PollState* state = nullptr; // owned between PollInit and PollRelease
};

// Interest and readiness flags.
constexpr int POLL_READ = 1;
constexpr int POLL_WRITE = 4;
constexpr int POLL_EXCEPTION = 8; // readiness only

// Sockets one interest set can hold; adding one more gives ST_TOO_MANY_SOCKETS.
constexpr std::uint32_t POLL_SET_CAPACITY = 1024;

// ST_NO_MEMORY when the state cannot be allocated; ST_INVALID_PARAM if the handle has one.
Status PollInit(PollHandle& handle);
Status PollRelease(PollHandle& handle);
// ST_NOT_FOUND when the socket has no interest.
Status PollGetInterest(PollHandle& handle, SocketHandle socket, int& flags);
// Replaces the socket's interest (flags 0: none). On ST_TOO_MANY_SOCKETS nothing changed.
Status PollSetInterest(PollHandle& handle, SocketHandle socket, int flags);
Status PollAddInterest(PollHandle& handle, SocketHandle socket, int flags);
Status PollRemoveInterest(PollHandle& handle, SocketHandle socket, int flags);
// Registers the socket (value 0 included) with the given interest; registering twice keeps
// one entry. ST_TOO_MANY_SOCKETS leaves it unregistered.
Status PollRegister(PollHandle& handle, SocketHandle socket, int flags);
// Drops the socket and any readiness of the last wait not yet handed out for it.
Status PollUnregister(PollHandle& handle, SocketHandle socket);
// Waits up to the time for readiness: ST_SUCCESS, ST_TIMEOUT, or the translated platform
// error. Sockets with write interest are watched for errors too, so a refused non-blocking
// connect is reported at once (flags 4 and 8). With no interest at all, and after a failed
// wait, the call sleeps the full time first, so a caller's loop never spins.
Status PollWait(PollHandle& handle, std::uint32_t milliseconds);
// The next ready socket and its flags; ST_NO_MORE_DATA when the last wait's are handed out.
Status PollNextReady(PollHandle& handle, SocketHandle& socket, int& flags);
// Sockets with read interest: their number, and the sockets in the order they were added.
Status PollGetCount(PollHandle& handle, std::uint32_t& count);
Status PollGetAll(PollHandle& handle, std::vector<SocketHandle>& sockets);

} // namespace STI_OS
