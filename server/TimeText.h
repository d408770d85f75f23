#pragma once

#include <cstdint>
#include <string>

namespace TarnixServer {

// Calendar time in UTC from milliseconds since 1970 (STI_OS::GetClock()).
// "2024-05-06T12:34:56Z" for logs, "20240506-123456" for file names.
std::string FormatUtcTime(std::uint64_t milliseconds);
std::string FormatUtcStamp(std::uint64_t milliseconds);

} // namespace TarnixServer
