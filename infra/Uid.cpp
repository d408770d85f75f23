#include "infra/Uid.h"

#include <cstring>

std::string FormatUid(const unsigned char uid[16])
{
    static const char kHex[] = "0123456789abcdef";
    std::string text;
    text.reserve(35);
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8)
            text += '-';
        text += kHex[uid[i] >> 4];
        text += kHex[uid[i] & 0x0f];
    }
    return text;
}

void ClearUid(unsigned char uid[16])
{
    std::memset(uid, 0, 16);
}
