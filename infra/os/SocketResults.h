#pragma once

#include "infra/Status.h"

#include <cstdint>

// How the raw results of socket calls become the wrappers' statuses; shared by the
// platform implementations. Only the OS layer (and its tests) include this.
namespace STI_OS {
namespace internal {

// connect: a started non-blocking connect (would block) is ST_IN_PROGRESS.
Status ConnectResult(long result);
// recv: count set from result; 0 bytes is ST_CONNECTION_CLOSED.
Status ReceiveResult(long result, std::uint32_t& count);
// send: count set from result, which may be short.
Status SendResult(long result, std::uint32_t& count);
// sendto: a datagram sent short is ST_MORE_DATA.
Status SendToResult(long result, std::uint32_t length);
// Peek of one byte: orderly close is ST_CONNECTION_CLOSED.
Status CheckConnectionResult(long result);

} // namespace internal
} // namespace STI_OS
