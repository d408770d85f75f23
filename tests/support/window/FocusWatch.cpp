#include "window/FocusWatch.h"

namespace windowtest {

namespace {

bool g_taken = false;

LRESULT CALLBACK WatchFocus(int code, WPARAM wParam, LPARAM lParam)
{
    const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && message->message == WM_KILLFOCUS) {
        const HWND next = reinterpret_cast<HWND>(message->wParam);
        // Focus moved inside this thread (Enter, Tab, a click) names the window that takes it.
        if (next == nullptr || ::GetWindowThreadProcessId(next, nullptr) != ::GetCurrentThreadId())
            g_taken = true;
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

CFocusWatch::CFocusWatch()
{
    g_taken = false;
    m_hook = ::SetWindowsHookExA(WH_CALLWNDPROC, &WatchFocus, nullptr, ::GetCurrentThreadId());
}

CFocusWatch::~CFocusWatch()
{
    if (m_hook)
        ::UnhookWindowsHookEx(m_hook);
}

bool CFocusWatch::FocusTakenFromOutside() const
{
    return g_taken;
}

} // namespace windowtest
