#include "app/portable/SafeFileName.h"

#include <cctype>
#include <cstring>

namespace {

const char FALLBACK_NAME[] = "file";
constexpr std::size_t WORKING_DIGITS = 32;

void TrimTrailingDotsAndBlanks(std::string& name)
{
    while (!name.empty() && (name.back() == '.' || name.back() == ' '))
        name.pop_back();
}

bool IsDeviceName(const std::string& name)
{
    // Windows ignores the extension and blanks before it.
    std::string base = name.substr(0, name.find('.'));
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    for (char& c : base)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    static const char* const devices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"};
    for (const char* device : devices) {
        if (base == device)
            return true;
    }
    // Windows also takes the superscripts 1, 2 and 3 of code page 1252 as the digit (Wine does not).
    const char digit = base.size() == 4 ? base[3] : '\0';
    return (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
           ((digit >= '0' && digit <= '9') || digit == '\xB9' || digit == '\xB2' || digit == '\xB3');
}

} // namespace

std::string MakeSafeFileName(const std::string& name, std::size_t maxLength)
{
    const std::size_t slash = name.find_last_of("\\/");
    std::string safe = slash == std::string::npos ? name : name.substr(slash + 1);
    for (char& c : safe) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F || std::strchr("<>:\"|?*", c) != nullptr)
            c = '_';
    }
    TrimTrailingDotsAndBlanks(safe);
    if (safe.empty())
        safe = FALLBACK_NAME;
    if (IsDeviceName(safe))
        safe.insert(0, "_");
    if (maxLength == 0)
        maxLength = 1;
    if (safe.size() > maxLength) {
        const std::size_t dot = safe.rfind('.');
        const std::size_t extLength = dot == std::string::npos ? 0 : safe.size() - dot;
        if (dot != std::string::npos && dot > 0 && extLength < maxLength)
            safe = safe.substr(0, maxLength - extLength) + safe.substr(dot);
        else
            safe.resize(maxLength);
        TrimTrailingDotsAndBlanks(safe);
        if (safe.empty())
            safe = std::string(FALLBACK_NAME).substr(0, maxLength);
    }
    if (IsWorkingFileName(safe))
        safe[0] = '_';
    return safe;
}

std::string WorkingFileName(const unsigned char fileId[16])
{
    static const char digits[] = "0123456789ABCDEF";
    std::string name = "~";
    for (int i = 0; i < 16; ++i) {
        name += digits[fileId[i] >> 4];
        name += digits[fileId[i] & 15];
    }
    return name;
}

bool IsWorkingFileName(const std::string& name)
{
    if (name.size() < 1 + WORKING_DIGITS || name[0] != '~')
        return false;
    for (std::size_t i = 1; i <= WORKING_DIGITS; ++i) {
        if (name[i] == '\0' || std::strchr("0123456789abcdefABCDEF", name[i]) == nullptr)
            return false;
    }
    return true;
}

std::string NumberedFileName(const std::string& name, int n)
{
    const std::size_t dot = name.rfind('.');
    const std::string suffix = " (" + std::to_string(n) + ")";
    if (dot == std::string::npos || dot == 0)
        return name + suffix;
    return name.substr(0, dot) + suffix + name.substr(dot);
}
