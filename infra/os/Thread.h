#pragma once
// Platform threads: create, wait, terminate, release the handle. The handle belongs to
// whoever created the thread and must be released exactly once with CloseThreadHandle,
// after which it may not be used; releasing it does not affect the running thread.

#include "infra/Status.h"

#include <cstdint>

namespace STI_OS {

using ThreadHandle = void*; // null: no thread
using ThreadProcedure = std::uint32_t (*)(void* argument);

// Starts procedure(argument) on a new thread with default attributes. ST_FAIL when the
// platform refuses; handle is then null.
Status CreateThread(ThreadProcedure procedure, void* argument, ThreadHandle& handle);

// ST_SUCCESS once the thread's procedure has returned (at once for a null handle),
// ST_TIMEOUT when the time ran out. milliseconds 0xFFFFFFFF waits without limit.
Status WaitThread(ThreadHandle handle, std::uint32_t milliseconds);

// Forces the thread to end without running anything more of it. On Linux this is a
// cancellation request, honoured at the thread's next cancellation point (a sleep, a wait,
// a socket call); the process's exit ends it in any case.
Status TerminateThread(ThreadHandle handle, std::uint32_t exitCode);

void CloseThreadHandle(ThreadHandle handle);

} // namespace STI_OS
