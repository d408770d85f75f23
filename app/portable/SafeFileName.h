#pragma once
// Names that arrive from peers and links become names that can only ever land inside the
// folder they are put in. Portable: no file-system calls.

#include <cstddef>
#include <string>

// The part after the last "\" or "/"; control characters and < > : " | ? * replaced by "_";
// trailing dots and blanks removed; a DOS device name (CON, NUL, COM1 ... in any case, with any
// extension) prefixed with "_"; empty, "." and ".." replaced by "file"; then shortened to at
// most `maxLength` characters, keeping the extension where it fits.
std::string MakeSafeFileName(const std::string& name, std::size_t maxLength);

// "name (n).ext" for "name.ext" (the extension is the part from the last "." on).
std::string NumberedFileName(const std::string& name, int n);
