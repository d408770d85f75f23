#pragma once
// Whether Windows runs a file as a program when it is opened: its type is on the machine's
// PATHEXT list (the system's default list when that is unset), or is one the shell runs all the
// same (.exe, .scr, .pif, .lnk, .hta, .msi, .cpl). Received files of these types are opened
// only after asking. Portable.

#include <string>

// `fileName` may carry its folder; trailing dots and blanks, which Windows drops from a name,
// are ignored. `pathExt` is the PATHEXT value (";"-separated, ".EXE" or "EXE"), or null.
bool RunsAsProgram(const std::string& fileName, const char* pathExt);
