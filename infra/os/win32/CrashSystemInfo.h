#pragma once
#include <windows.h>
#include <cstddef>

namespace STI_OS {
namespace crash {

class CCrashReportBuffer;

// The report's words for an exception code ("an Unknown exception type" for codes it does not
// know).
const char* DescribeException(DWORD code);

// The name of the operating system from its version information (build: its low 16 bits).
const char* OperatingSystemName(DWORD platform, DWORD major, DWORD minor, DWORD build);

// "month/day/year hh:mm:ss", seconds rounded down to even as in file times of old.
void FormatReportTime(const SYSTEMTIME& time, char* text, std::size_t size);

// Bytes as whole MBytes, rounded up.
unsigned MegabytesRoundedUp(unsigned long long bytes);

// The "Error occurred at" block: time, program and user, operating system, processors, memory.
void WriteSystemInfo(CCrashReportBuffer& out, const char* programPath);

} // namespace crash
} // namespace STI_OS
