// Must come before any header that pulls in winsock2.h: the fixed sets hold 1024 sockets.
#define FD_SETSIZE 1024

#include <winsock2.h>

#include "infra/os/PollWait.h"
#include "infra/os/SocketCalls.h"

#include "infra/os/ErrorTranslation.h"

#include <algorithm>

namespace STI_OS {
namespace internal {

static_assert(FD_SETSIZE == POLL_SET_CAPACITY, "select's sets must match the interest sets");

namespace {

struct SelectSets {
    fd_set read;
    fd_set write;
    fd_set exception;
};

void Fill(fd_set& target, const _SocketSet& source)
{
    target.fd_count = source.Count();
    for (std::uint32_t i = 0; i < source.Count(); ++i) {
        target.fd_array[i] = static_cast<SOCKET>(source.Data()[i]);
    }
}

void Collect(const fd_set& source, int flags, std::vector<_ReadyEntry>& ready)
{
    for (u_int i = 0; i < source.fd_count; ++i) {
        ready.push_back(_ReadyEntry{static_cast<SocketHandle>(source.fd_array[i]), flags});
    }
}

} // namespace

Status _WaitForReadiness(const _PollState& state, std::uint32_t milliseconds, std::vector<_ReadyEntry>& ready)
{
    SelectSets setsOnStack; // 12 KiB
    SelectSets* sets = &setsOnStack;
    Fill(sets->read, state.readInterest);
    Fill(sets->write, state.writeInterest);
    // select reports a failed connect only in the exception set.
    Fill(sets->exception, state.writeInterest);

    timeval timeout;
    timeout.tv_sec = static_cast<long>(milliseconds / 1000);
    timeout.tv_usec = static_cast<long>((milliseconds % 1000) * 1000);
    // The first argument is ignored by Windows Sockets.
    internal::CountWait();
    const int result = ::select(0, &sets->read, &sets->write, &sets->exception, &timeout);
    if (result == 0) {
        return ST_TIMEOUT;
    }
    if (result == SOCKET_ERROR) {
        return TranslateSocketResult(-1);
    }
    Collect(sets->read, POLL_READ, ready);
    Collect(sets->write, POLL_WRITE, ready);
    Collect(sets->exception, POLL_WRITE | POLL_EXCEPTION, ready);
    std::sort(ready.begin(), ready.end(),
              [](const _ReadyEntry& a, const _ReadyEntry& b) { return a.socket < b.socket; });
    std::size_t kept = 0;
    for (std::size_t i = 0; i < ready.size(); ++i) {
        if (kept > 0 && ready[kept - 1].socket == ready[i].socket) {
            ready[kept - 1].flags |= ready[i].flags;
        } else {
            ready[kept++] = ready[i];
        }
    }
    ready.resize(kept);
    return ST_SUCCESS;
}

} // namespace internal
} // namespace STI_OS
