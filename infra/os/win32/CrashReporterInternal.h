#pragma once
// Seams of the crash reporter for its own tests.
#include <windows.h>

namespace STI_OS {
namespace crash {

// InstallCrashReporter with another debugging-help library name (a missing one gives the
// reporter without symbols and without minidump).
void InstallCrashReporterWith(const char* debugHelpLibrary);

// The unhandled-exception filter that InstallCrashReporter sets: writes the report, the
// minidump and starts the helper for the first exception only. Returns 1 when the helper was
// started (the process ends), 0 otherwise.
LONG WINAPI ReportUnhandledException(EXCEPTION_POINTERS* exception);

// The exception code that an uncaught C++ exception is reported with.
constexpr unsigned long kCxxExceptionCode = 0xE06D7363;

} // namespace crash
} // namespace STI_OS
