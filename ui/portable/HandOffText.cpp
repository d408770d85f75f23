#include "ui/portable/HandOffText.h"

bool IsHandOffLengthAcceptable(std::int64_t length, std::size_t sectionSize)
{
    return length >= 0 && static_cast<std::uint64_t>(length) < sectionSize;
}

bool ReadHandOffText(const char* section, std::size_t sectionSize, std::int64_t length, std::string& text)
{
    if (!section || !IsHandOffLengthAcceptable(length, sectionSize))
        return false;
    const std::size_t limit = static_cast<std::size_t>(length) + 1;
    for (std::size_t i = 0; i < limit; ++i) {
        if (section[i] == '\0') {
            text.assign(section, i);
            return true;
        }
    }
    return false;
}
