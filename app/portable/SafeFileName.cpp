#include "app/portable/SafeFileName.h"

#include <cctype>
#include <cstring>

namespace {

const char FALLBACK_NAME[] = "file";

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
    return safe;
}

std::string NumberedFileName(const std::string& name, int n)
{
    const std::size_t dot = name.rfind('.');
    const std::string suffix = " (" + std::to_string(n) + ")";
    if (dot == std::string::npos || dot == 0)
        return name + suffix;
    return name.substr(0, dot) + suffix + name.substr(dot);
}
