#include "htmltip/portable/HtmlTypes.h"

namespace htmltip {

int MulDiv(long long a, long long b, long long c)
{
    if (c == 0)
        return 0;
    // Inputs are clamped lengths and percentages, far below 2^31 each: the product fits.
    const long long product = a * b;
    const bool negative = (product < 0) != (c < 0);
    const unsigned long long magnitude = static_cast<unsigned long long>(product < 0 ? -product : product);
    const unsigned long long divisor = static_cast<unsigned long long>(c < 0 ? -c : c);
    const unsigned long long quotient = (magnitude + divisor / 2) / divisor;
    const long long limited =
        quotient > static_cast<unsigned long long>(kMaxCoordinate) ? kMaxCoordinate : static_cast<long long>(quotient);
    return static_cast<int>(negative ? -limited : limited);
}

std::string AsciiLowerCase(std::string text)
{
    for (char& c : text)
        c = AsciiLower(c);
    return text;
}

} // namespace htmltip
