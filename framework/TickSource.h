#pragma once
// The clock of time-dependent windows (an animation's end, the age of a cached position):
// milliseconds as GetTickCount counts them, read through this one function so that a test can
// set the time instead of waiting for it. User-interface thread.

#include <windows.h>

// Now, in milliseconds. Wraps after 49.7 days like GetTickCount: compare differences only.
DWORD AfxGetTickCount();

// A clock that replaces the system's (tests); null puts the system's back. The context is handed
// back on every call.
using TickSource = DWORD (*)(void* context);
void AfxSetTickSource(TickSource source, void* context);
