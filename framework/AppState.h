#pragma once
// Process-wide state of the window half of the framework: the main window, the module whose
// resources are loaded, text conversion with the ANSI code page, and the standard error boxes.
// User-interface thread, except the conversions (any thread).

#include <string>

#include <windows.h>

#include "framework/String.h"

class CWnd;

// The application's main window (the application object's, or one a test set); null when none.
CWnd* AfxGetMainWnd();
void AfxSetMainWnd(CWnd* wnd);

// The module this code is linked into: the program, or a DLL built on the framework. Window
// classes and windows are registered and created for it.
HINSTANCE AfxGetInstanceHandle();
// The module whose resources (dialogs, menus, strings) are used; AfxGetInstanceHandle until set.
HINSTANCE AfxGetResourceHandle();
void AfxSetResourceHandle(HINSTANCE module);

// Conversions with the ANSI code page (CP_ACP); characters it cannot hold become its default.
std::wstring AnsiToWide(const char* text, int length = -1);
CString WideToAnsi(const wchar_t* text, int length = -1);

// The standard out-of-memory message box (through AfxMessageBox and its hook).
void AfxShowMemoryError();
