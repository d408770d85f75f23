#include "window/MessagePumping.h"

#include <algorithm>

#include "framework/MessagePump.h"

namespace windowtest {

namespace {

enum class EPumped {
    Empty,
    Handled,
    Quit
};

// One queued message, if there is one.
EPumped HandleOne()
{
    MSG msg;
    if (!::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        return EPumped::Empty;
    if (msg.message == WM_QUIT) {
        ::PostQuitMessage(static_cast<int>(msg.wParam));
        return EPumped::Quit;
    }
    AfxProcessMessage(&msg);
    return EPumped::Handled;
}

// The condition and the limit are checked between messages: a handler that keeps posting
// never empties the queue.
bool Pump(const std::function<bool()>& done, DWORD timeoutMs, bool wait, DWORD pollMs = INFINITE)
{
    const DWORD start = ::GetTickCount();
    for (;;) {
        if (done())
            return true;
        const DWORD elapsed = ::GetTickCount() - start;
        if (elapsed >= timeoutMs)
            return false;
        switch (HandleOne()) {
        case EPumped::Handled:
            break;
        case EPumped::Quit:
            return false;
        case EPumped::Empty:
            if (!wait)
                return true;
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, std::min(timeoutMs - elapsed, pollMs), QS_ALLINPUT);
            break;
        }
    }
}

} // namespace

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    return Pump(done, timeoutMs, true);
}

bool PumpUntilSeen(const std::function<bool()>& done, DWORD timeoutMs, DWORD pollMs)
{
    return Pump(done, timeoutMs, true, pollMs);
}

void PumpFor(DWORD milliseconds)
{
    Pump([] { return false; }, milliseconds, true);
}

bool PumpPending(DWORD timeoutMs)
{
    return Pump([] { return false; }, timeoutMs, false);
}

void StepTimer(HWND hwnd, UINT_PTR timerId)
{
    ::SendMessageA(hwnd, WM_TIMER, timerId, 0);
}

} // namespace windowtest
