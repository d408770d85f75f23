#include "server/MailText.h"

#include <pugixml.hpp>

namespace TarnixServer {

namespace {

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool Parse(const std::string& xml, pugi::xml_document& document)
{
    return document.load_buffer(xml.data(), xml.size(), pugi::parse_default, pugi::encoding_utf8);
}

std::string TrimmedLine(const std::string& text)
{
    const char* blanks = " \t\r\n";
    const std::size_t begin = text.find_first_not_of(blanks);
    if (begin == std::string::npos)
        return std::string();
    std::string line = text.substr(begin, text.find_first_of("\r\n", begin) - begin);
    const std::size_t end = line.find_last_not_of(blanks);
    return line.substr(0, end + 1);
}

} // namespace

std::string DecodeMailText(const std::string& encoded)
{
    std::string text;
    text.reserve(encoded.size());
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        const char c = encoded[i];
        if (c == '+') {
            text += ' ';
            continue;
        }
        if (c == '%' && i + 2 < encoded.size() && HexValue(encoded[i + 1]) >= 0 && HexValue(encoded[i + 2]) >= 0) {
            text += static_cast<char>(HexValue(encoded[i + 1]) * 16 + HexValue(encoded[i + 2]));
            i += 2;
            continue;
        }
        text += c;
    }
    return text;
}

std::string MailDocumentKind(const std::string& xml)
{
    pugi::xml_document document;
    if (!Parse(xml, document))
        return std::string();
    return document.document_element().name();
}

std::string MailLinkUrl(const std::string& xml)
{
    pugi::xml_document document;
    if (!Parse(xml, document))
        return std::string();
    const pugi::xml_node root = document.document_element();
    if (std::string(root.name()) != "FLEmail")
        return std::string();
    // child_value covers both a CDATA section and a plain text node.
    return TrimmedLine(root.child("FL").child_value());
}

} // namespace TarnixServer
