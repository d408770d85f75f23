#pragma once
// Drives a modal loop (DoModal, TrackPopupMenu, a system dialog) from inside: a thread timer,
// which fires within any loop that dispatches messages, looks for a visible window of this
// process with the given class and, once found, runs the action on it (post Escape, IDOK ...).
// One driver at a time per thread; the timer stops when the action ran or the driver goes.

#include <functional>

#include <windows.h>

namespace windowtest {

// A visible top-level window of this process with that class ("#32770", "#32768"), or null.
HWND FindProcessWindow(const char* className);

class CModalDriver {
public:
    CModalDriver(const char* className, std::function<void(HWND)> action, UINT periodMs = 20);
    ~CModalDriver();
    CModalDriver(const CModalDriver&) = delete;
    CModalDriver& operator=(const CModalDriver&) = delete;

    bool Done() const { return m_done; }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);

    const char* m_className;
    std::function<void(HWND)> m_action;
    UINT_PTR m_timer = 0;
    bool m_done = false;
};

// Posts a command as a button of that dialog would (the dialog's own Enter/Escape handling).
void PostCommand(HWND dialog, int id);

} // namespace windowtest
