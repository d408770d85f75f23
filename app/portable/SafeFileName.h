#pragma once
// Names that arrive from peers and links become names that can only ever land inside the
// folder they are put in. Portable: no file-system calls.

#include <cstddef>
#include <string>

// The part after the last "\" or "/"; control characters and < > : " | ? * replaced by "_";
// trailing dots and blanks removed; a DOS device name (CON, NUL, COM1 ... in any case, with any
// extension) prefixed with "_"; empty, "." and ".." replaced by "file"; then shortened to at
// most `maxLength` characters, keeping the extension where it fits. Last, a name of the
// working files' form gets "_" in place of its "~", so no file from a peer can ever stand
// where a download is written.
std::string MakeSafeFileName(const std::string& name, std::size_t maxLength);

// A download's working file: "~" and the file id in 32 upper-case hexadecimal digits.
std::string WorkingFileName(const unsigned char fileId[16]);
// The form the working files' names take, reserved: "~" and 32 hexadecimal digits at the start,
// in any case (Windows compares names without case).
bool IsWorkingFileName(const std::string& name);

// "name (n).ext" for "name.ext" (the extension is the part from the last "." on).
std::string NumberedFileName(const std::string& name, int n);
