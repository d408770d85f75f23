#pragma once
// The application's message boxes: a text, or a string-table entry, under the program's caption.
//
// One process-wide hook lets a test or a headless program take the text instead of a window
// being shown, so no test and no headless run ever waits on a modal box. Callable from any
// thread; the hook is called on the caller's thread.

#include <windows.h>

// Takes a box's text and MB_* type in place of showing it; returns the button that "was pressed"
// (IDOK, IDCANCEL, IDYES ...).
using MessageBoxHook = int (*)(const char* text, UINT type, void* context);

// Installs a hook (null removes it). The context is handed back on every call.
void SetMessageBoxHook(MessageBoxHook hook, void* context);

// The caption of every box: the one set here (null unsets it), else the application object's
// name, else "Tarnix".
void SetMessageBoxCaption(const char* caption);

// Shows the text (owned by the active window of the calling thread, if any) and returns the
// button pressed; 0 when no box could be shown.
int AfxMessageBox(const char* text, UINT type = MB_OK);

// The same with the text of string-table entry `stringId`; an absent entry shows nothing and
// returns 0.
int AfxMessageBox(UINT stringId, UINT type = MB_OK);
