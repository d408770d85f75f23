#pragma once
// Process-wide state of the window half of the framework: the main window, the module whose
// resources are loaded and the standard error boxes. (Text conversion with the ANSI code page
// is in Bstr.h.) User-interface thread.

#include <windows.h>

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

// The standard out-of-memory message box (through AfxMessageBox and its hook).
void AfxShowMemoryError();
