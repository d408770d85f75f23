#pragma once
// Short waits on one socket outside any dispatcher, for writers that must not spin while the
// other side drains a full pipe.

#include "infra/Status.h"
#include "infra/os/Socket.h"

#include <cstdint>

namespace sti {

// ST_SUCCESS once the socket takes more bytes (or has an error to report), ST_TIMEOUT when
// the time ran out, else the poller's failure.
Status WaitUntilWritable(STI_OS::SocketHandle handle, std::uint32_t milliseconds);

} // namespace sti
