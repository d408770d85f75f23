#pragma once
// One-time start-up of the library. Runs by itself from a static initialiser before main,
// on the thread that started the process; later calls (any thread) return at once.

#include <cstdint>

namespace sti {

// Installs the crash reporter, starts the sockets library, creates the process poller and
// the calling thread's dispatcher shutdown helper, in that order.
void Initialize();

// True on the thread that made the first Initialize call (the process's main thread).
bool IsMainThread();

} // namespace sti
