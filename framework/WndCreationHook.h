#pragma once
// While one of these lives, the next window this thread creates is attached to the given object
// and subclassed before it receives its first message (WM_NCCREATE), whatever its class:
// a framework class, a DefWindowProc class, a system control or a dialog. Scopes nest (a window
// created from another's WM_CREATE). User-interface thread.

#include <windows.h>

class CWnd;

class CWndCreationHook {
public:
    explicit CWndCreationHook(CWnd* wnd);
    ~CWndCreationHook();
    CWndCreationHook(const CWndCreationHook&) = delete;
    CWndCreationHook& operator=(const CWndCreationHook&) = delete;

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
    CWnd* m_saved;
};
