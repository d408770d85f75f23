#pragma once
// Opening a transfer's file or its folder through the shell, as a double click in Explorer
// would, with the file's folder as the working directory. A file of a type Windows runs as a
// program (ui/portable/ProgramTypes.h) is started only after the user said Yes: received files
// come from other people. User-interface thread.

#include <windows.h>

#include "framework/String.h"

// The question asked before a program is started.
extern const char* const kRunProgramQuestion;

// `owner` (may be null) owns any window the shell shows. False when the user said No or the shell
// could not open it.
bool OpenTransferFile(HWND owner, const CString& path);
bool OpenTransferFolder(HWND owner, const CString& path);
