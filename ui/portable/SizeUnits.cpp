#include "ui/portable/SizeUnits.h"

#include <cstdio>

SSizeValue SplitByteCount(std::int64_t bytes)
{
    // Divided while at least 1: the last such value and the number of divisions.
    double value = static_cast<double>(bytes);
    SSizeValue result;
    int divisions = 0;
    while (value >= 1) {
        result.value = value;
        value /= 1024;
        ++divisions;
    }
    if (divisions <= 1)
        result.unit = kUnitBytes;
    else if (divisions <= 4)
        result.unit = static_cast<SizeUnit>(divisions - 1);
    else {
        result.unit = kUnitGB;
        result.value = static_cast<double>(bytes) / (1024.0 * 1024.0 * 1024.0);
    }
    return result;
}

std::string FormatByteCount(std::int64_t bytes, const char* const unitNames[kSizeUnitCount], const char* suffix)
{
    const SSizeValue size = SplitByteCount(bytes);
    // The largest count (2^63 bytes, 8589934592 GB) takes 13 characters before the unit.
    char number[64];
    std::snprintf(number, sizeof number, "%.2f", size.value);
    std::string text(number);
    text += unitNames[size.unit] ? unitNames[size.unit] : "";
    text += suffix ? suffix : "";
    return text;
}
