#include "framework/AppState.h"

#include "framework/MessageBox.h"
#include "framework/WinApp.h"

namespace {

CWnd* g_mainWnd = nullptr;          // used while no application object exists (tests)
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
        ::GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                 GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
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

std::wstring AnsiToWide(const char* text, int length)
{
    if (!text || length == 0)
        return std::wstring();
    const int size = ::MultiByteToWideChar(CP_ACP, 0, text, length, nullptr, 0);
    if (size <= 0)
        return std::wstring();
    std::wstring wide(static_cast<size_t>(size), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text, length, &wide[0], size);
    if (length < 0)
        wide.resize(static_cast<size_t>(size - 1));  // the terminator was counted
    return wide;
}

CString WideToAnsi(const wchar_t* text, int length)
{
    if (!text || length == 0)
        return CString();
    const int size = ::WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        return CString();
    CString ansi;
    ::WideCharToMultiByte(CP_ACP, 0, text, length, ansi.GetBuffer(size), size, nullptr, nullptr);
    ansi.ReleaseBuffer(length < 0 ? size - 1 : size);
    return ansi;
}

void AfxShowMemoryError()
{
    AfxMessageBox("Out of memory.", MB_OK | MB_ICONSTOP);
}
