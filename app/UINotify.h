#pragma once
// The wake-up call behind CMainManager::NotifyUI: producers push onto an event queue, then ask
// the user-interface thread to drain the queues now rather than at its next timer tick.

#include <windows.h>

// The main dialog's queue-draining timer; a WM_TIMER with this id runs the drain at once.
constexpr UINT_PTR UI_DRAIN_TIMER_ID = 5;

// Posts WM_TIMER(UI_DRAIN_TIMER_ID) to the main dialog; nothing (false) while it has no window.
// Callable from any thread.
bool PostDrainRequest(HWND mainDialog);
