#pragma once
// The text a web page gives the browser link control, made 8-bit and checked before it goes
// anywhere. The control is marked safe for untrusted callers, so only a link passes: a text
// the program would take as a file path, or one that ends the quoting on the program's command
// line, never reaches it. Portable: no Windows types.

#include <cstddef>
#include <string>

// The longest link the hand-off section holds (2048 bytes with the terminating zero).
const std::size_t kMaxHandOverLinkLength = 2047;

enum class LinkTextFault {
    None,
    NotOneByte,         // a character above 255
    TooLong,            // more than kMaxHandOverLinkLength characters
    NotALink,           // does not begin with "http:"
    ForbiddenCharacter, // a double quote or a control character
};

// UTF-16 to 8-bit text, one byte per character (the character's own value, not a code page's);
// false when a character is above 255, and `out` is then empty.
bool ToOneByteText(const char16_t* text, std::size_t length, std::string& out);

// Whether `link` may be handed to the program: it begins with "http:" (case-sensitive, as the
// program tests a text before it parses it as a link), has at most kMaxHandOverLinkLength
// characters, and holds no double quote and no control character (C0, DEL, and C1 as the
// UTF-16 characters 0x80 to 0x9F it came from).
LinkTextFault CheckHandOverLink(const std::string& link);

// Both in turn: `text` (UTF-16, `length` characters; null counts as empty) as the link to hand
// over, in `link` (empty unless None).
LinkTextFault HandOverLinkFromText(const char16_t* text, std::size_t length, std::string& link);
