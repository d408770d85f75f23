#pragma once
// The remaining time of a transfer as the list shows it: hours, minutes and seconds, each at
// least two digits ("01:02:05"). Hours do not wrap: 60 hours read "60:00:00". Portable.

#include <cstdint>
#include <string>

// A negative count reads as no time left.
std::string FormatRemainingTime(std::int64_t seconds);
