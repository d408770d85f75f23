#pragma once
// A byte count as the windows show it: two decimals and the unit, with no blank between
// ("1.50KB", "512.00bytes", "0.00bytes"; a terabyte and more in GB), or a rate with "/s" behind.
// The decimal mark is the C runtime locale's. The units come from the string table.

#include <cstdint>

#include "framework/String.h"

CString FormatSizeText(std::int64_t bytes, bool perSecond = false);
