#pragma once
// Reading a link handed over by another copy of the program or by the browser link control:
// the writer puts the text, zero-terminated, into a section of kHandOffSectionSize bytes and
// announces its length (without the zero) in a window message that any process may send. The
// reader trusts neither: a length the section cannot hold is refused before anything is read,
// and at most length + 1 bytes are read, which must hold the terminating zero. Portable.

#include <cstddef>
#include <cstdint>
#include <string>

// The section's name, and the registered window message's.
constexpr char kHandOffName[] = "TARNIX_SINGLE_INSTANCE";
constexpr std::size_t kHandOffSectionSize = 2048;

// 0 <= length < sectionSize: the text and its zero fit into the section.
bool IsHandOffLengthAcceptable(std::int64_t length, std::size_t sectionSize = kHandOffSectionSize);

// Copies the section's text up to its terminating zero, reading at most length + 1 bytes (never
// past sectionSize). True with `text` set when the zero was met; false, reading nothing, for a
// length the section cannot hold.
bool ReadHandOffText(const char* section, std::size_t sectionSize, std::int64_t length, std::string& text);
