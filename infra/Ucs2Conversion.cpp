#include "infra/Ucs2Conversion.h"

#include <algorithm>

ucs2_conversion::result ucs2_conversion::do_out(std::mbstate_t&, const wchar_t* from, const wchar_t* fromEnd,
                                                const wchar_t*& fromNext, char* to, char* toEnd, char*& toNext) const
{
    result r = ok;
    while (from < fromEnd) {
        if (toEnd - to < 2) {
            r = partial;
            break;
        }
        const unsigned long unit = static_cast<unsigned long>(*from);
        if (unit > 0xFFFF) {
            r = error;
            break;
        }
        *to++ = static_cast<char>(unit & 0xFF);
        *to++ = static_cast<char>((unit >> 8) & 0xFF);
        ++from;
    }
    fromNext = from;
    toNext = to;
    return r;
}

ucs2_conversion::result ucs2_conversion::do_in(std::mbstate_t&, const char* from, const char* fromEnd,
                                               const char*& fromNext, wchar_t* to, wchar_t* toEnd,
                                               wchar_t*& toNext) const
{
    while (fromEnd - from >= 2 && to < toEnd) {
        const unsigned low = static_cast<unsigned char>(from[0]);
        const unsigned high = static_cast<unsigned char>(from[1]);
        *to++ = static_cast<wchar_t>(low | (high << 8));
        from += 2;
    }
    fromNext = from;
    toNext = to;
    return from == fromEnd ? ok : partial;
}

ucs2_conversion::result ucs2_conversion::do_unshift(std::mbstate_t&, char* to, char*, char*& toNext) const
{
    toNext = to;
    return noconv;
}

int ucs2_conversion::do_length(std::mbstate_t&, const char* from, const char* fromEnd, std::size_t max) const
{
    const std::size_t units = std::min(static_cast<std::size_t>(fromEnd - from) / 2, max);
    return static_cast<int>(units * 2);
}
