#pragma once
// What the core asks of the user interface without knowing it: the user-interface manager
// implements it, a headless program implements it with prints. Called on the user-interface
// thread.

#include "framework/String.h"

class IUserInterfaceSeam {
public:
    virtual ~IUserInterfaceSeam() = default;
    // Opens a link URL or the path of a link file as the user would.
    virtual void OpenLinkText(const CString& text) = 0;
    // Shows the options dialog.
    virtual void OnOptions() = 0;
    // Destroys an update download dialog that still exists, then makes one that fetches `url`
    // into `path`: run modally (true when the installer arrived), or modeless and shown (true
    // when it could be made).
    virtual bool ShowUpdateDialog(const CString& url, const CString& path, bool modal) = 0;
    // Destroys the update download dialog, if one exists.
    virtual void DestroyUpdateDialog() = 0;
};
