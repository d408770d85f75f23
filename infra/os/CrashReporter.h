#pragma once
// Crash reporting of the process and a small stack-capture facility for diagnostics.
//
// On Windows an unhandled exception (and an uncaught C++ exception) leaves ERROR.LOG and
// ERROR.DMP beside the program and starts CHelper.exe from the program's folder so the user
// can send them. On other systems both calls do nothing.

#include <cstdint>
#include <vector>

namespace STI_OS {

// Sets the process's unhandled-exception filter and loads the debugging-help library.
// Called once by sti::Initialize under its start-up lock; later calls do nothing.
void InstallCrashReporter();

// Walks the calling thread's stack and stores the return addresses, skipping the given number
// of innermost frames beyond the capture's own two: with 0 the first address is the one in the
// caller just after its call. At most 20 frames are walked.
// Leaves the list empty when the debugging-help library is not fully available.
// Not thread-safe by itself: callers hold their own lock.
void CaptureStack(std::vector<std::uintptr_t>& returnAddresses, unsigned skipFrames);

} // namespace STI_OS
