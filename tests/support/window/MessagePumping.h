#pragma once
// Running the user-interface thread's queue from a test, through the framework's pump so that
// PreTranslateMessage runs as it would in the program.

#include <functional>

#include <windows.h>

namespace windowtest {

// Handles messages until done() is true or the time is up, both checked before each message, so
// a window that keeps posting to itself cannot hold the test. False on time-out, and on WM_QUIT
// (posted again for the caller).
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 5000);
// The same for a condition no message announces (what the screen shows): done() is also checked
// every pollMs while the queue is empty.
bool PumpUntilSeen(const std::function<bool()>& done, DWORD timeoutMs = 5000, DWORD pollMs = 20);
// Handles messages for a while.
void PumpFor(DWORD milliseconds);
// Handles what is queued, without waiting; true once the queue is empty, false when it still was
// not after timeoutMs (or on WM_QUIT).
bool PumpPending(DWORD timeoutMs = 1000);

// Steps a window's timer deterministically: sends WM_TIMER with the timer's id.
void StepTimer(HWND hwnd, UINT_PTR timerId);

} // namespace windowtest
