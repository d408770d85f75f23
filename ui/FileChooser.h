#pragma once
// IFileChooser: where the send wizard gets the files to send from. CSystemFileChooser asks the
// user through the system's open-file dialog; tests put a chooser of their own in its place.
// User-interface thread.

#include <vector>

#include <windows.h>

#include "framework/String.h"

class IFileChooser {
public:
    virtual ~IFileChooser() = default;

    // Asks for files, starting in `folder` (empty: where the system likes). IDOK with the full
    // paths of the chosen files in `paths`; IDCANCEL when none were chosen, or when the choice
    // could not be taken (the user has then been told).
    virtual INT_PTR ChooseFiles(HWND owner, const CString& folder, std::vector<CString>& paths) = 0;
};

class CSystemFileChooser : public IFileChooser {
public:
    // The dialog's buffer holds `bufferChars` characters; a choice that does not fit is asked
    // for once more with room for `retryBufferChars`.
    explicit CSystemFileChooser(DWORD bufferChars = 4096, DWORD retryBufferChars = 65536)
        : m_bufferChars(bufferChars), m_retryBufferChars(retryBufferChars)
    {}

    INT_PTR ChooseFiles(HWND owner, const CString& folder, std::vector<CString>& paths) override;

private:
    DWORD m_bufferChars;
    DWORD m_retryBufferChars;
};
