#include "app/portable/Utf16Text.h"

#include <cwchar>

#include "infra/Ucs2Conversion.h"

namespace xmlstore {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

// Length of the sequence a lead byte starts and the bits it carries; 0 for a byte that cannot
// lead one.
int SequenceLength(unsigned char lead, char32_t& bits)
{
    if (lead < 0x80) {
        bits = lead;
        return 1;
    }
    if (lead >= 0xC2 && lead < 0xE0) {
        bits = lead & 0x1F;
        return 2;
    }
    if (lead >= 0xE0 && lead < 0xF0) {
        bits = lead & 0x0F;
        return 3;
    }
    if (lead >= 0xF0 && lead < 0xF5) {
        bits = lead & 0x07;
        return 4;
    }
    return 0;
}

} // namespace

std::u16string Utf8ToUtf16(const char* text)
{
    static const char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    std::u16string out;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    while (*p) {
        char32_t code = 0;
        const int length = SequenceLength(*p, code);
        int taken = 1;
        while (taken < length && (p[taken] & 0xC0) == 0x80)
            code = code << 6 | (p[taken++] & 0x3F);
        p += taken;
        if (length == 0 || taken < length || code < kSmallest[length] || code > 0x10FFFF ||
            (code >= 0xD800 && code < 0xE000)) {
            out += kReplacement;
        } else if (code >= 0x10000) {
            code -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (code >> 10));
            out += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
        } else {
            out += static_cast<char16_t>(code);
        }
    }
    return out;
}

std::string Utf16ToLittleEndian(const std::u16string& text)
{
    const std::wstring wide(text.begin(), text.end());
    const ucs2_conversion facet(1);
    std::mbstate_t state{};
    std::string bytes(2 * wide.size(), '\0');
    const wchar_t* fromNext = nullptr;
    char* toNext = nullptr;
    facet.out(state, wide.data(), wide.data() + wide.size(), fromNext, &bytes[0], &bytes[0] + bytes.size(), toNext);
    bytes.resize(static_cast<std::size_t>(toNext - bytes.data()));
    return bytes;
}

} // namespace xmlstore
