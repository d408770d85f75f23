#pragma once
// A byte count as the windows show it: the count divided by 1024 while it stays at least 1, with
// two decimals and its unit behind it, no blank between ("1.50KB", "512.00bytes", "0.00bytes").
// Gigabytes are the largest unit: a terabyte and more reads in GB rather than as a bare number.
// The decimal mark is the C runtime locale's. Portable: the windows give the unit names.

#include <cstdint>
#include <string>

enum SizeUnit {
    kUnitBytes = 0,
    kUnitKB,
    kUnitMB,
    kUnitGB,
    kSizeUnitCount
};

struct SSizeValue {
    double value = 0; // in `unit`; 0 for a count below 1
    SizeUnit unit = kUnitBytes;
};

SSizeValue SplitByteCount(std::int64_t bytes);

// "%.2f" of the value, the unit's name from `unitNames`, then `suffix` ("/s" for a rate).
std::string FormatByteCount(std::int64_t bytes, const char* const unitNames[kSizeUnitCount], const char* suffix = "");
