#pragma once
// CTestClock: the framework's clock (AfxGetTickCount) in a test's hand for the length of a scope.
// It stands still until Advance moves it; the system's clock is back when the scope ends.
// User-interface thread, one at a time.

#include <windows.h>

#include "framework/TickSource.h"

namespace windowtest {

class CTestClock {
public:
    explicit CTestClock(DWORD start = 1000) : m_now(start) { AfxSetTickSource(&Read, this); }
    ~CTestClock() { AfxSetTickSource(nullptr, nullptr); }
    CTestClock(const CTestClock&) = delete;
    CTestClock& operator=(const CTestClock&) = delete;

    void Advance(DWORD milliseconds) { m_now += milliseconds; }

private:
    static DWORD Read(void* self) { return static_cast<CTestClock*>(self)->m_now; }

    DWORD m_now;
};

} // namespace windowtest
