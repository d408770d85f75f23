#pragma once
// CTarnixApp: the program's application object. One copy runs per user session: a later start
// hands its link (its first argument) to the running copy through the named section and the
// registered message "TARNIX_SINGLE_INSTANCE", and ends. The first copy sets up the process,
// starts the core, opens its own link and then the one the web site left in the cookie
// "TNAction", and runs the main window modally; the program ends when that window closes
// (InitInstance always answers false, so no message loop follows). User-interface thread.

#include <windows.h>

#include "framework/String.h"
#include "framework/WinApp.h"

class CTarnixApp : public CWinApp {
public:
    CTarnixApp();

    BOOL InitInstance() override;
    // Closes the section.
    int ExitInstance() override;

private:
    // The argument written whole into the section: its length, or -1 (none, or too long).
    int WriteArgument(const CString& argument) const;
    void OpenCookieLink();

    HANDLE m_section = nullptr; // "TARNIX_SINGLE_INSTANCE", held while this copy runs
};
