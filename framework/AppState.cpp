#include "framework/AppState.h"

#include "framework/MessageBox.h"
#include "framework/WinApp.h"

namespace {

CWnd* g_mainWnd = nullptr; // used while no application object exists (tests)
HINSTANCE g_resourceModule = nullptr;

} // namespace

CWnd* AfxGetMainWnd()
{
    CWinApp* app = AfxGetApp();
    return app ? app->m_pMainWnd : g_mainWnd;
}

void AfxSetMainWnd(CWnd* wnd)
{
    if (CWinApp* app = AfxGetApp())
        app->m_pMainWnd = wnd;
    else
        g_mainWnd = wnd;
}

HINSTANCE AfxGetInstanceHandle()
{
    static HMODULE module = [] {
        HMODULE found = nullptr;
        ::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                             reinterpret_cast<LPCSTR>(&AfxGetInstanceHandle), &found);
        return found ? found : ::GetModuleHandleA(nullptr);
    }();
    return module;
}

HINSTANCE AfxGetResourceHandle()
{
    return g_resourceModule ? g_resourceModule : AfxGetInstanceHandle();
}

void AfxSetResourceHandle(HINSTANCE module)
{
    g_resourceModule = module;
}

void AfxShowMemoryError()
{
    AfxMessageBox("Out of memory.", MB_OK | MB_ICONSTOP);
}
