#include "app/MailRequestCodec.h"

#include <cstring>

namespace mailrequest {
namespace {

bool StaysAsIs(unsigned char ch)
{
    return (ch >= '0' && ch <= '9') || (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') ||
           (ch != 0 && std::strchr("!'()*-./:_~", ch) != nullptr);
}

} // namespace

std::string UrlEncodeMail(const std::string& bytes)
{
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 3);
    for (const char c : bytes) {
        const unsigned char ch = static_cast<unsigned char>(c);
        if (StaysAsIs(ch)) {
            out += c;
        } else if (ch == ' ') {
            out += '+';
        } else {
            out += '%';
            out += kHex[ch >> 4];
            out += kHex[ch & 15];
        }
    }
    return out;
}

void NameUtf8InDeclaration(std::string& utf8)
{
    static const std::string kBare = "<?xml version=\"1.0\"?>";
    static const std::string kNamed = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";
    // Only the declaration itself: the same characters inside a message are the user's text.
    if (utf8.compare(0, kBare.size(), kBare) == 0)
        utf8.replace(0, kBare.size(), kNamed);
}

} // namespace mailrequest
