#pragma once
// The platform's readiness wait, one implementation per platform. Internal to the poller.

#include "infra/Status.h"
#include "infra/os/PollState.h"

#include <cstdint>
#include <vector>

namespace STI_OS {
namespace internal {

// Waits up to the time for the interest sets of the state and fills ready with each ready
// socket's flags (1 read, 4 write, 8 exception), ascending by socket value. A socket with
// write interest whose connect failed or that has an error reports 4 and 8. The caller
// guarantees at least one socket has interest. ST_SUCCESS, ST_TIMEOUT or the translated
// platform error (ready is then empty).
Status _WaitForReadiness(const _PollState& state, std::uint32_t milliseconds, std::vector<_ReadyEntry>& ready);

} // namespace internal
} // namespace STI_OS
