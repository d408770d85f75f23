#pragma once

namespace STI_OS {
namespace crash {

class CCrashReportBuffer;

// Scans the whole address space for mapped executable images and writes, for each, its path,
// image base and size, header checksum and time stamp, file size and time, and version texts.
void WriteModuleList(CCrashReportBuffer& out);

} // namespace crash
} // namespace STI_OS
