#pragma once
// The two WinINet calls whose answers depend on the machine and its desktop: whether the
// system thinks it is on line, and the error dialog offered after a failed request (a modal
// window). Both go through one process-wide object so that tests and headless runs can answer
// them without a network or a window. Callable from any thread.
//
// Measured under Wine 8 on a machine with only the loopback: InternetGetConnectedState answers
// connected (flags 0x12, LAN and RAS installed); InternetErrorDlg with the desktop window for a
// refused connection (12029) answers ERROR_SUCCESS at once without showing a window.

#include <windows.h>
#include <wininet.h>

class IInternetEnvironment {
public:
    // InternetGetConnectedState's answer.
    virtual bool IsConnected() = 0;
    // InternetErrorDlg's answer (ERROR_INTERNET_FORCE_RETRY asks for the request to be sent again).
    virtual DWORD ErrorDialog(HWND parent, HINTERNET request, DWORD error, DWORD flags) = 0;

protected:
    ~IInternetEnvironment() = default;
};

// The environment in use: the system's own unless one was set.
IInternetEnvironment& GetInternetEnvironment();
// Replaces it (owned by the caller, who keeps it alive while set); null restores the system's.
void SetInternetEnvironment(IInternetEnvironment* environment);
