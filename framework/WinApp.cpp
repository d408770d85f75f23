#include "framework/WinApp.h"

#include <shellapi.h>

#include "framework/Bstr.h"
#include "framework/MessagePump.h"

namespace {

CWinApp* g_app = nullptr;

} // namespace

CWinApp* AfxGetApp()
{
    return g_app;
}

CWinApp::CWinApp(const char* appName) : m_pszAppName(appName ? appName : "")
{
    g_app = this;
}

CWinApp::~CWinApp()
{
    if (g_app == this)
        g_app = nullptr;
}

int CWinApp::Run()
{
    int code = 0;
    while (AfxPumpMessage(&code)) {}
    m_exitCode = code;
    return ExitInstance();
}

void CWinApp::SetRegistryKey(const char* key)
{
    m_profile = std::make_unique<CAppProfile>(key, m_pszAppName.GetString());
}

void CCommandLineInfo::ParseParam(const char* param, BOOL isSwitch, BOOL /*isLast*/)
{
    if (!isSwitch && m_strFileName.IsEmpty())
        m_strFileName = param;
}

void CWinApp::ParseCommandLine(CCommandLineInfo& info) const
{
    // The shell's splitting rules (quotes, backslashes), in UTF-16 to keep every character.
    int count = 0;
    LPWSTR* args = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (!args)
        return;
    for (int i = 1; i < count; ++i) {
        CString param = WideToAnsi(args[i]);
        const bool isSwitch = param.GetLength() > 0 && (param[0] == '/' || param[0] == '-');
        info.ParseParam(isSwitch ? param.Mid(1).GetString() : param.GetString(), isSwitch, i + 1 == count);
    }
    ::LocalFree(args);
}

int AfxWinMain()
{
    CWinApp* app = AfxGetApp();
    if (!app)
        return -1;
    if (!app->InitInstance())
        return app->ExitInstance();
    return app->Run();
}
