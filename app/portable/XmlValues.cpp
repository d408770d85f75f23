#include "app/portable/XmlValues.h"

#include <cstring>
#include <limits>

namespace xmlstore {
namespace {

const char kHexDigits[] = "0123456789ABCDEF";

// The digit's value, either case; -1 for anything else.
int HexDigit(char ch)
{
    const char upper = ch >= 'a' && ch <= 'f' ? static_cast<char>(ch - 'a' + 'A') : ch;
    const char* at = upper ? std::strchr(kHexDigits, upper) : nullptr;
    return at ? static_cast<int>(at - kHexDigits) : -1;
}

} // namespace

std::string IdToHex(const unsigned char id[ID_SIZE])
{
    std::string text;
    text.reserve(2 * ID_SIZE);
    for (std::size_t i = 0; i < ID_SIZE; ++i) {
        text += kHexDigits[id[i] >> 4];
        text += kHexDigits[id[i] & 15];
    }
    return text;
}

bool HexToId(const char* text, unsigned char id[ID_SIZE])
{
    if (std::strlen(text) != 2 * ID_SIZE)
        return false;
    unsigned char bytes[ID_SIZE];
    for (std::size_t i = 0; i < ID_SIZE; ++i) {
        const int high = HexDigit(text[2 * i]);
        const int low = HexDigit(text[2 * i + 1]);
        if (high < 0 || low < 0)
            return false;
        bytes[i] = static_cast<unsigned char>(high << 4 | low);
    }
    std::memcpy(id, bytes, ID_SIZE);
    return true;
}

std::int64_t ReadDecimal(const char* text, std::int64_t max)
{
    std::int64_t value = 0;
    for (; *text; ++text) {
        if (*text < '0' || *text > '9')
            return 0;
        const int digit = *text - '0';
        if (value > (max - digit) / 10)
            return 0;
        value = value * 10 + digit;
    }
    return value;
}

int RestoredStatus(const char* text)
{
    const std::int64_t value = ReadDecimal(text, std::numeric_limits<std::int64_t>::max());
    switch (value) {
    case 5:  // Paused
    case 6:  // Suspended
    case 7:  // Completed
    case 9:  // File not found
    case 10: // Removed
    case 13: // Pending email
        return static_cast<int>(value);
    default: // out of range, or a session, a connection or an approval under way
        return STATUS_SUSPENDED;
    }
}

} // namespace xmlstore
