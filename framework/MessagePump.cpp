#include "framework/MessagePump.h"

#include <vector>

#include "framework/AppState.h"
#include "framework/Wnd.h"

bool AfxPreTranslateMessage(MSG* msg)
{
    // Collect the chain first: an object may change the windows while it looks at the message.
    std::vector<HWND> chain;
    for (HWND hwnd = msg->hwnd; hwnd; hwnd = ::GetParent(hwnd))
        chain.push_back(hwnd);
    std::vector<CWnd*> offered;
    auto offer = [&](CWnd* wnd) {
        if (!wnd)
            return false;
        for (CWnd* done : offered)
            if (done == wnd)
                return false;
        offered.push_back(wnd);
        return wnd->PreTranslateMessage(msg) != FALSE;
    };
    for (HWND hwnd : chain) {
        if (offer(CWnd::FromHandlePermanent(hwnd)))
            return true;
    }
    return offer(AfxGetMainWnd());
}

void AfxProcessMessage(MSG* msg)
{
    if (AfxPreTranslateMessage(msg))
        return;
    ::TranslateMessage(msg);
    ::DispatchMessageA(msg);
}

bool AfxPumpMessage(int* quitCode)
{
    MSG msg;
    const BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0 || got == -1) {
        if (quitCode)
            *quitCode = got == 0 ? static_cast<int>(msg.wParam) : 0;
        return false;
    }
    AfxProcessMessage(&msg);
    return true;
}
