#pragma once
// Opening an `href` link of a balloon: the shell's "open" first; when that fails, the program
// registered for ".htm" pages with the link on its command line. User-interface thread.

#include "framework/String.h"

// The ".htm" class's "shell\open\command" under HKEY_CLASSES_ROOT (environment strings of an
// expandable value expanded); false when either key or value cannot be read.
bool ReadHtmOpenCommand(CString* command);

// Opens `target`; failures both ways are not reported (a balloon has no one to tell).
void OpenLinkTarget(const char* target);
