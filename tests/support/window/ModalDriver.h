#pragma once
// Drives a modal loop (DoModal, TrackPopupMenu, a system dialog) from inside: a thread timer,
// which fires within any loop that dispatches messages, looks for a visible window of this
// process with the given class and, once found, runs the action on it (post Escape, IDOK ...).
// One driver at a time per thread; the timer stops when the action ran or the driver goes.

#include <functional>
#include <string>
#include <vector>

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

// One step of a CModalScript: the window it waits for (a visible top-level window of this process
// of that class, with that title or holding that control) and what it does to it.
struct SModalStep {
    const char* className;
    const char* title = nullptr; // exact; null: any
    int controlId = 0;           // a child with this id must exist; 0: any
    std::function<void(HWND)> action;
    DWORD limitMs = 10000; // from the previous step's action (or the script's start)
};

// Drives a sequence of modal windows (a wizard's pages, all "#32770", say) from inside their
// loops, the way CModalDriver drives one: a thread timer looks for each step's window in turn and
// acts on it once. A step whose window does not come within its limit fails the script, which
// then cancels (IDCANCEL) every window of that class as it appears, so the loops end and the test
// can report the failure. One script at a time per thread, beside no CModalDriver; no thread of
// its own.
class CModalScript {
public:
    explicit CModalScript(std::vector<SModalStep> steps, UINT periodMs = 20);
    ~CModalScript();
    CModalScript(const CModalScript&) = delete;
    CModalScript& operator=(const CModalScript&) = delete;

    int StepsRun() const { return m_next; }
    bool Done() const { return m_next == static_cast<int>(m_steps.size()); }
    // Empty while nothing failed; otherwise which step timed out.
    const std::string& Failure() const { return m_failure; }

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
    void Step();

    std::vector<SModalStep> m_steps;
    int m_next = 0;
    DWORD m_stepStart;
    std::string m_failure;
    UINT_PTR m_timer = 0;
};

// Posts a command as a button of that dialog would (the dialog's own Enter/Escape handling).
void PostCommand(HWND dialog, int id);

} // namespace windowtest
