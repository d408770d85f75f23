#pragma once
// Notes when this thread loses the focus to nothing of its own: another program's window came to
// the front. Window tests of all programs share one display and run in parallel, and under Wine
// a window another program shows or closes deactivates this thread's window now and then (seen
// at about one run in three with three window test programs looping beside it), so a window
// that ends on focus loss (the cell editor) ends in the middle of a case. A case whose subject
// is not the focus runs again when this says it was interrupted.
// One watch at a time, on the thread that owns the watched windows.

#include <windows.h>

namespace windowtest {

class CFocusWatch {
public:
    CFocusWatch();
    ~CFocusWatch();
    CFocusWatch(const CFocusWatch&) = delete;
    CFocusWatch& operator=(const CFocusWatch&) = delete;

    // A window of this thread lost the focus to no window of this thread since the watch began.
    bool FocusTakenFromOutside() const;

private:
    HHOOK m_hook = nullptr;
};

// How many times a case interrupted so is run before it gives up.
const int kFocusAttempts = 20;

} // namespace windowtest
