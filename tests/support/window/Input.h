#pragma once
// Posted mouse and keyboard messages, the way the system queues them for a window.

#include <string>

#include <windows.h>

namespace windowtest {

// WM_KEYDOWN then WM_KEYUP for a virtual key (WM_CHAR follows through TranslateMessage).
void PostKey(HWND hwnd, UINT virtualKey);
// Button down and up at a client point; the cursor is moved there first (handlers read it).
void PostClick(HWND hwnd, POINT client, bool right = false);
void PostDoubleClick(HWND hwnd, POINT client);
void PostMouseMove(HWND hwnd, POINT client);
// A real click through the system's input queue (SendInput), for end-to-end tests; it moves the
// cursor, so such tests must hold the display's resource lock.
bool SendClick(HWND hwnd, POINT client);
// The clipboard's text, as a paste would read it; empty when there is none or it is held open.
std::string ClipboardText(HWND owner = nullptr);

} // namespace windowtest
