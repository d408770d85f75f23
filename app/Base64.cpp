#include "app/Base64.h"

namespace {

const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int SextetOf(unsigned char ch)
{
    if (ch >= 'A' && ch <= 'Z')
        return ch - 'A';
    if (ch >= 'a' && ch <= 'z')
        return ch - 'a' + 26;
    if (ch >= '0' && ch <= '9')
        return ch - '0' + 52;
    if (ch == '+')
        return 62;
    if (ch == '/')
        return 63;
    return -1;
}

} // namespace

std::string Base64Encode(const unsigned char* data, std::size_t size)
{
    std::string text;
    text.reserve((size + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= size; i += 3) {
        const unsigned v = unsigned(data[i]) << 16 | unsigned(data[i + 1]) << 8 | data[i + 2];
        text += kAlphabet[v >> 18 & 63];
        text += kAlphabet[v >> 12 & 63];
        text += kAlphabet[v >> 6 & 63];
        text += kAlphabet[v & 63];
    }
    const std::size_t rest = size - i;
    if (rest > 0) {
        unsigned v = unsigned(data[i]) << 16;
        if (rest == 2)
            v |= unsigned(data[i + 1]) << 8;
        text += kAlphabet[v >> 18 & 63];
        text += kAlphabet[v >> 12 & 63];
        text += rest == 2 ? kAlphabet[v >> 6 & 63] : '=';
        text += '=';
    }
    return text;
}

bool Base64Decode(const std::string& text, std::vector<unsigned char>& out)
{
    out.clear();
    std::size_t length = text.size();
    std::size_t padding = 0;
    while (padding < 2 && length > 0 && text[length - 1] == '=') {
        --length;
        ++padding;
    }
    // Padding only ever completes a group of four.
    if (padding > 0 && (length + padding) % 4 != 0)
        return false;
    if (length % 4 == 1)
        return false;

    std::vector<unsigned char> bytes;
    bytes.reserve(length * 3 / 4);
    unsigned accumulator = 0;
    int bits = 0;
    for (std::size_t i = 0; i < length; ++i) {
        const int sextet = SextetOf(static_cast<unsigned char>(text[i]));
        if (sextet < 0)
            return false;
        accumulator = (accumulator << 6 | unsigned(sextet)) & 0xFFFFFF;
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            bytes.push_back(static_cast<unsigned char>(accumulator >> bits & 0xFF));
        }
    }
    out.swap(bytes);
    return true;
}
