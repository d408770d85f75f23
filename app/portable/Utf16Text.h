#pragma once
// UTF-16 helpers of the XML store: what the parser hands back (UTF-8) made UTF-16, and a UTF-16
// text made the bytes of a file (little-endian, no byte-order mark, through ucs2_conversion).

#include <string>

namespace xmlstore {

// Invalid sequences and surrogate code points become U+FFFD, so every result can be written
// back as UTF-16 and read again unchanged.
std::u16string Utf8ToUtf16(const char* text);
std::string Utf16ToLittleEndian(const std::u16string& text);

} // namespace xmlstore
