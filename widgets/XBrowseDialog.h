#pragma once
// CXBrowseDialog: the shell's folder picker (SHBrowseForFolder), opened on a given folder (the
// current directory when none is given), showing the folder under the selection as status text,
// and handing the chosen folder back as a path.
//
// The dialog runs the shell's own modal loop: no PreTranslateMessage runs meanwhile.
// User-interface thread.

#include <windows.h>
#include <shlobj.h>

#include "framework/String.h"

class CWnd;

class CXBrowseDialog {
public:
    // Owned by the parent's window (none without a parent).
    explicit CXBrowseDialog(CWnd* parent = nullptr);
    virtual ~CXBrowseDialog() = default;
    CXBrowseDialog(const CXBrowseDialog&) = delete;
    CXBrowseDialog& operator=(const CXBrowseDialog&) = delete;

    // The text above the tree. Not copied: it must stay valid until DoModal returns.
    void SetTitle(const char* text);
    // The folder to open on; a longer text is cut to MAX_PATH - 1 characters.
    void SetPath(const char* text);
    // The browse flags (BIF_...); file-system folders only and status text at construction.
    void SetFlags(UINT flags);

    // IDOK with the chosen folder in GetPath; IDCANCEL when the user cancelled, the chosen item
    // is no file-system folder, or the shell's allocator is unavailable.
    INT_PTR DoModal();
    const char* GetPath() const { return m_path; }

private:
    static int CALLBACK BrowseCallback(HWND dialog, UINT msg, LPARAM lParam, LPARAM self);
    static void CALLBACK RetrySelection(HWND dialog, UINT msg, UINT_PTR timer, DWORD time);

    BROWSEINFOA m_browseInfo;
    char m_path[MAX_PATH];       // the start folder, then the chosen one; always terminated
    char m_start[MAX_PATH] = {}; // the folder the open dialog is still to select
    CString m_title;
    // Where the open dialog's selection stands: still on the way to the start folder, on it, or
    // taken elsewhere by the user.
    enum class ESelection {
        Pending,
        Start,
        Elsewhere
    };
    ESelection m_selection = ESelection::Pending;
    int m_selectionRetries = 0;
};
