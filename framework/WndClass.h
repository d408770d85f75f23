#pragma once
// Window classes whose windows the framework dispatches (CWnd::FrameworkWndProc), or any other
// procedure. A class that is already registered counts as registered. User-interface thread.

#include <windows.h>

// Registers (once) a class with the framework's procedure and these attributes under a name made
// from them, and returns the name (valid for the life of the process).
const char* AfxRegisterWndClass(UINT style, HCURSOR cursor = nullptr, HBRUSH background = nullptr,
                                HICON icon = nullptr);

// Registers a class under a given name. A null procedure means the framework's.
bool AfxRegisterClass(const char* name, UINT style, HCURSOR cursor, HBRUSH background, WNDPROC procedure = nullptr,
                      HICON icon = nullptr);
