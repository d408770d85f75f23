#pragma once
// CWinApp: the application object. The program defines one global object of a derived class;
// its constructor makes it the application, before the entry routine runs. The entry
// (AfxWinMain) calls InitInstance; when that returns false it calls ExitInstance and the process
// ends with no message loop; otherwise Run pumps messages until WM_QUIT, then ExitInstance.
// User-interface thread.

#include <memory>

#include <windows.h>

#include "framework/Profile.h"
#include "framework/String.h"

class CWnd;

// The command line's parts that the program reads: the first parameter that is not a switch
// ("/..." or "-...") is the file argument.
class CCommandLineInfo {
public:
    virtual ~CCommandLineInfo() = default;
    // Called once per parameter, without its switch character when isSwitch.
    virtual void ParseParam(const char* param, BOOL isSwitch, BOOL isLast);

    CString m_strFileName;
};

class CWinApp {
public:
    explicit CWinApp(const char* appName = nullptr);
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    virtual BOOL InitInstance() { return TRUE; }
    virtual int ExitInstance() { return m_exitCode; }
    virtual int Run();

    // Splits the process's command line (without the program name) into parameters.
    void ParseCommandLine(CCommandLineInfo& info) const;
    // The profile lives under HKCU "Software\<key>\<application name>".
    void SetRegistryKey(const char* key);
    CAppProfile* GetProfile() const { return m_profile.get(); } // null before SetRegistryKey

    CWnd* m_pMainWnd = nullptr; // not owned
    CString m_pszAppName;
    int m_exitCode = 0;

private:
    std::unique_ptr<CAppProfile> m_profile;
};

// The application object; null before its construction and after its destruction.
CWinApp* AfxGetApp();

// The program hosts no controls: nothing to set up.
inline void AfxEnableControlContainer() {}

// The framework's entry: runs the application object. Returns the process's exit code.
int AfxWinMain();
