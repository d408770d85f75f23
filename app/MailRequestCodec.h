#pragma once
// Turns the UTF-8 text of a mail document into what the messaging service carries as a mail
// request (server command 34). Portable: bytes in, bytes out.

#include <cstddef>
#include <string>

namespace mailrequest {

// One message block is 8192 bytes: the 24-byte header, the u32 kind, then the text as a string
// field (u16 length, the text, its NUL). A longer text cannot be sent at all.
constexpr std::size_t MESSAGE_SIZE = 8192;
constexpr std::size_t MAX_TEXT_LENGTH = MESSAGE_SIZE - 24 - 4 - 2 - 1;

// ! ' ( ) * - . / 0-9 : A-Z _ a-z ~ stay, a blank becomes "+", every other byte "%" and two
// lower-case hexadecimal digits. Not the link URL's encoder.
std::string UrlEncodeMail(const std::string& bytes);

// The serialiser writes the declaration at the start without its encoding; the server wants it
// named.
void NameUtf8InDeclaration(std::string& utf8);

} // namespace mailrequest
