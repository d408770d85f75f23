#pragma once
// CFileDialog: the system's open-file dialog, Explorer style, with multiple selection.
//
// The chosen names come back in a buffer of a fixed number of characters. A selection that does
// not fit is a failure the caller sees (DoModal gives IDCANCEL and GetExtendedError gives
// FNERR_BUFFERTOOSMALL), never an empty success or a list of cut names. User-interface thread: DoModal runs the
// system's modal loop (so no PreTranslateMessage runs meanwhile).

#include <vector>

#include <windows.h>
#include <commdlg.h>

#include "framework/String.h"

class CFileDialog {
public:
    // `filter` is in OPENFILENAME form ("Text\0*.txt\0\0"; null: every file); `initialFolder`
    // null or empty starts where the system chooses. The texts are copied.
    CFileDialog(HWND owner, DWORD bufferChars, const char* initialFolder = nullptr, const char* filter = nullptr);
    CFileDialog(const CFileDialog&) = delete;
    CFileDialog& operator=(const CFileDialog&) = delete;

    // IDOK when at least one file was chosen; IDCANCEL when the user cancelled (extended error
    // 0) or the dialog failed (extended error set, FNERR_BUFFERTOOSMALL for a full buffer).
    INT_PTR DoModal();
    DWORD GetExtendedError() const { return m_error; }
    // The full paths of the chosen files, in the dialog's order (empty unless DoModal gave IDOK).
    const std::vector<CString>& GetPathNames() const { return m_paths; }

    // The request itself: flags, title and the like may be changed before DoModal; the file
    // buffer, folder and filter fields are the object's own.
    OPENFILENAMEA m_ofn;

private:
    // Fills m_paths from the buffer; 0, or the extended error of a buffer that holds no answer.
    DWORD ReadPaths();

    std::vector<char> m_buffer; // nMaxFile characters and two terminators the dialog never writes
    CString m_initialFolder;
    std::vector<char> m_filter;
    std::vector<CString> m_paths;
    DWORD m_error = 0;
};
