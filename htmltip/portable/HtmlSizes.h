#pragma once
// Numbers, sizes and units as markup and style sheets write them.

#include <string>

namespace htmltip {

// What a size in "em", "ex" or an absolute unit is measured against: the current font and the
// device.
struct SizeContext {
    int fontHeight = 16;
    int xHeight = 8;
    int pixelsPerInch = 96;
};

// An integer with automatic base: decimal, or hexadecimal after "0x". Reads as far as digits go
// (nothing read gives 0) and saturates instead of overflowing. `ok` (optional) tells whether a
// digit was read.
long long ParseInteger(const std::string& text, bool* ok = nullptr);

// A length: empty gives `current`; "N%" is that share of `current`; a leading sign is dropped;
// "px", "em", "ex", "in", "cm", "mm", "pt" and "pc" as units; no unit reads an integer, which
// with `fontTable` maps 1..7 to the HTML font sizes 8, 10, 12, 14, 18, 24, 36. The result is
// within 0..kMaxCoordinate; each field clamps it further.
int ParseSize(const std::string& value, int current, const SizeContext& context, bool fontTable = false);

} // namespace htmltip
