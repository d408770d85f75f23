#include "app/LinkUrlCodec.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "app/Base64.h"

namespace linkurl {
namespace {

// Classification on the byte value alone: the run-time library's isalnum/isspace depend on the
// locale and are undefined for negative chars, and a URL must read the same everywhere.
bool IsAsciiAlnum(unsigned char ch)
{
    return (ch >= '0' && ch <= '9') || (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z');
}

bool IsAsciiSpace(unsigned char ch)
{
    return ch == ' ' || (ch >= '\t' && ch <= '\r');
}

int HexValue(unsigned char ch)
{
    if (ch >= '0' && ch <= '9')
        return ch - '0';
    if (ch >= 'A' && ch <= 'F')
        return ch - 'A' + 10;
    if (ch >= 'a' && ch <= 'f')
        return ch - 'a' + 10;
    return -1;
}

void AppendEncoded(std::string& out, unsigned char ch)
{
    static const char kHex[] = "0123456789ABCDEF";
    if (IsAsciiAlnum(ch)) {
        out += static_cast<char>(ch);
    } else if (IsAsciiSpace(ch)) {
        out += '+';
    } else {
        out += '%';
        out += kHex[ch >> 4];
        out += kHex[ch & 15];
    }
}

std::size_t EncodedLength(unsigned char ch)
{
    return IsAsciiAlnum(ch) || IsAsciiSpace(ch) ? 1 : 3;
}

// The encoding of the longest start of `text` that takes at most `room` characters.
std::string EncodeWithin(const std::string& text, std::size_t room)
{
    std::string out;
    for (const char c : text) {
        const unsigned char ch = static_cast<unsigned char>(c);
        if (out.size() + EncodedLength(ch) > room)
            break;
        AppendEncoded(out, ch);
    }
    return out;
}

std::string ComposeQuery(bool longForm, const std::string& fe, const std::string& fg, const std::string& te,
                         const std::string& tn, const std::string& ts, const std::string& tt, int tc)
{
    std::string q = "fe=" + fe + "&fg=" + fg;
    if (longForm)
        q += "&te=" + te + "&tn=" + tn;
    q += "&ts=" + ts + "&tt=" + tt + "&tc=" + std::to_string(tc) + "&fn=";
    return q;
}

// A whole non-negative decimal number no greater than `max`; no sign, no junk after it.
bool ReadDecimal(const std::string& text, std::int64_t max, std::int64_t& value)
{
    if (text.empty())
        return false;
    std::int64_t v = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return false;
        const int digit = c - '0';
        if (v > (max - digit) / 10)
            return false;
        v = v * 10 + digit;
    }
    value = v;
    return true;
}

// A decoded value that holds a NUL byte would be cut short by every C string it is later put in.
bool DecodeValue(const std::string& raw, std::string& out)
{
    out = UrlDecode(raw);
    return out.find('\0') == std::string::npos;
}

std::string SkipLeadingSpace(const std::string& text, std::size_t from, std::size_t to)
{
    while (from < to && IsAsciiSpace(static_cast<unsigned char>(text[from])))
        ++from;
    return text.substr(from, to - from);
}

bool IsDeviceName(const std::string& name)
{
    // The device names count with any extension: "nul.txt" opens the device too.
    std::string stem = name.substr(0, name.find('.'));
    while (!stem.empty() && stem.back() == ' ')
        stem.pop_back();
    for (char& c : stem)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char* device : kDevices)
        if (stem == device)
            return true;
    // The superscripts 1, 2 and 3 of code page 1252 count as digits on Windows.
    return stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) &&
           ((stem[3] >= '1' && stem[3] <= '9') || stem[3] == '\xB9' || stem[3] == '\xB2' || stem[3] == '\xB3');
}

} // namespace

std::string UrlEncodeLink(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (const char c : text)
        AppendEncoded(out, static_cast<unsigned char>(c));
    return out;
}

std::string UrlDecode(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '%' && i + 2 < text.size()) {
            const int high = HexValue(static_cast<unsigned char>(text[i + 1]));
            const int low = HexValue(static_cast<unsigned char>(text[i + 2]));
            if (high >= 0 && low >= 0) {
                out += static_cast<char>(high << 4 | low);
                i += 2;
                continue;
            }
        }
        out += c == '+' ? ' ' : c;
    }
    return out;
}

std::string IdToBase64(const unsigned char id[ID_SIZE])
{
    return Base64Encode(id, ID_SIZE);
}

bool Base64ToId(const std::string& text, unsigned char id[ID_SIZE])
{
    std::vector<unsigned char> bytes;
    if (!Base64Decode(text, bytes) || bytes.size() != ID_SIZE)
        return false;
    std::memcpy(id, bytes.data(), ID_SIZE);
    return true;
}

std::string SafeFileName(const std::string& name)
{
    const std::size_t slash = name.find_last_of("\\/");
    std::string safe = slash == std::string::npos ? name : name.substr(slash + 1);
    for (char& c : safe) {
        const unsigned char ch = static_cast<unsigned char>(c);
        if (ch < 0x20 || ch == 0x7F || std::strchr(":*?\"<>|", c) != nullptr)
            c = '_';
    }
    if (safe == "." || safe == ".." || IsDeviceName(safe))
        safe.insert(0, 1, '_');
    return safe;
}

std::string BuildLinkUrl(const std::string& prefix, const LinkFields& link, const std::vector<std::string>& names)
{
    const bool longForm = !link.recipientEmail.empty() || !link.recipientName.empty();
    const std::string fg = UrlEncodeLink(IdToBase64(link.senderUserId));
    const std::string ts = UrlEncodeLink(std::to_string(link.totalSize));
    const std::string tt = UrlEncodeLink(IdToBase64(link.firstFileId));

    const std::size_t fixed = prefix.size() + ComposeQuery(longForm, "", fg, "", "", ts, tt, link.fileCount).size();
    if (fixed > MAX_URL_LENGTH)
        return std::string();
    // The free texts share what is left, the sender's address first: the recipient needs it.
    std::size_t room = MAX_URL_LENGTH - fixed;
    const std::string fe = EncodeWithin(link.senderEmail, room);
    room -= fe.size();
    const std::string te = longForm ? EncodeWithin(link.recipientEmail, room) : std::string();
    room -= te.size();
    const std::string tn = longForm ? EncodeWithin(link.recipientName, room) : std::string();

    std::string url = prefix + ComposeQuery(longForm, fe, fg, te, tn, ts, tt, link.fileCount);
    const std::size_t count = std::min(names.size(), NAMES_IN_URL);
    for (std::size_t i = 0; i < count; ++i) {
        std::string text = i == 0 ? names[i] : "|" + names[i];
        std::string encoded = UrlEncodeLink(text);
        const std::size_t left = MAX_URL_LENGTH - url.size();
        if (encoded.size() > left) {
            // A character takes at most three in the URL, so room / 3 characters always fit.
            const std::size_t fit = left / 3;
            const std::size_t dot = text.rfind('.');
            const std::string extension = dot == std::string::npos ? std::string() : text.substr(dot);
            if (extension.size() <= fit)
                text = text.substr(0, fit - extension.size()) + extension;
            else
                text = text.substr(0, fit);
            encoded = UrlEncodeLink(text);
        }
        url += encoded;
    }
    return url;
}

ParseResult ParseLinkUrl(const std::string& url, const std::string& prefix, LinkFields& link)
{
    if (prefix.empty() || url.compare(0, prefix.size(), prefix) != 0)
        return ParseResult::WrongPrefix;

    link.fileCount = 1;
    std::memset(link.firstFileId, 0, ID_SIZE);
    link.firstFileName.clear();
    link.firstFileSize = 0;

    // key=value fields between "&"; a key without "=" has an empty value, so an empty value
    // never swallows the key after it.
    std::size_t pos = prefix.size();
    while (pos < url.size()) {
        std::size_t end = url.find('&', pos);
        if (end == std::string::npos)
            end = url.size();
        const std::size_t equals = url.find('=', pos);
        const std::size_t keyEnd = equals < end ? equals : end;
        const std::string key = SkipLeadingSpace(url, pos, keyEnd);
        const std::string raw = keyEnd < end ? SkipLeadingSpace(url, keyEnd + 1, end) : std::string();
        pos = end + 1;
        if (key.size() != 2)
            continue;

        std::string value;
        if (key == "fe") {
            if (!DecodeValue(raw, value))
                return ParseResult::Failed;
            link.senderEmail = value;
        } else if (key == "fg") {
            if (!DecodeValue(raw, value) || !Base64ToId(value, link.senderUserId))
                return ParseResult::Failed;
        } else if (key == "fn") {
            if (!DecodeValue(raw, value))
                return ParseResult::Failed;
            link.firstFileName = SafeFileName(value.substr(0, value.find('|')));
        } else if (key == "tc") {
            std::int64_t count = 0;
            if (!ReadDecimal(raw, MAX_FILE_COUNT, count) || count < 1)
                return ParseResult::Failed;
            link.fileCount = static_cast<int>(count);
        } else if (key == "te") {
            if (!DecodeValue(raw, value))
                return ParseResult::Failed;
            link.recipientEmail = value;
        } else if (key == "tn") {
            if (!DecodeValue(raw, value))
                return ParseResult::Failed;
            link.recipientName = value;
        } else if (key == "ts") {
            std::int64_t size = 0;
            if (!DecodeValue(raw, value) || !ReadDecimal(value, std::numeric_limits<std::int64_t>::max(), size))
                return ParseResult::Failed;
            link.totalSize = size;
            link.firstFileSize = size;
        } else if (key == "tt") {
            if (!DecodeValue(raw, value) || !Base64ToId(value, link.firstFileId))
                return ParseResult::Failed;
        } else {
            return ParseResult::Failed;
        }
    }
    return ParseResult::Parsed;
}

} // namespace linkurl
