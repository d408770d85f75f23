#include "window/MessagePumping.h"

#include "framework/MessagePump.h"

namespace windowtest {

namespace {

// False on WM_QUIT.
bool HandleQueued()
{
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        AfxProcessMessage(&msg);
    }
    return true;
}

} // namespace

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    const DWORD start = ::GetTickCount();
    for (;;) {
        if (!HandleQueued())
            return false;
        if (done())
            return true;
        const DWORD elapsed = ::GetTickCount() - start;
        if (elapsed >= timeoutMs)
            return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, timeoutMs - elapsed, QS_ALLINPUT);
    }
}

void PumpFor(DWORD milliseconds)
{
    PumpUntil([] { return false; }, milliseconds);
}

void PumpPending()
{
    HandleQueued();
}

void StepTimer(HWND hwnd, UINT_PTR timerId)
{
    ::SendMessageA(hwnd, WM_TIMER, timerId, 0);
}

} // namespace windowtest
