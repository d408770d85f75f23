#include "control/portable/LinkText.h"

namespace {

bool IsForbidden(unsigned char c)
{
    return c < 0x20 || c == '"' || (c >= 0x7F && c <= 0x9F);
}

} // namespace

bool ToOneByteText(const char16_t* text, std::size_t length, std::string& out)
{
    out.clear();
    out.reserve(length);
    for (std::size_t i = 0; i < length; ++i) {
        if (text[i] > 0xFF) {
            out.clear();
            return false;
        }
        out += static_cast<char>(static_cast<unsigned char>(text[i]));
    }
    return true;
}

LinkTextFault CheckHandOverLink(const std::string& link)
{
    if (link.size() > kMaxHandOverLinkLength)
        return LinkTextFault::TooLong;
    if (link.compare(0, 5, "http:") != 0)
        return LinkTextFault::NotALink;
    for (const char c : link) {
        if (IsForbidden(static_cast<unsigned char>(c)))
            return LinkTextFault::ForbiddenCharacter;
    }
    return LinkTextFault::None;
}

LinkTextFault HandOverLinkFromText(const char16_t* text, std::size_t length, std::string& link)
{
    link.clear();
    if (!text)
        length = 0;
    // Far longer texts are refused before any copy is made of them.
    if (length > kMaxHandOverLinkLength)
        return LinkTextFault::TooLong;
    std::string converted;
    if (!ToOneByteText(text, length, converted))
        return LinkTextFault::NotOneByte;
    const LinkTextFault fault = CheckHandOverLink(converted);
    if (fault == LinkTextFault::None)
        link.swap(converted);
    return fault;
}
