#include "framework/FileDialog.h"

#include <algorithm>
#include <cstring>

#include <shlwapi.h>

CFileDialog::CFileDialog(HWND owner, DWORD bufferChars, const char* initialFolder, const char* filter)
    : m_ofn(), m_buffer(bufferChars + 2, '\0'), m_initialFolder(initialFolder)
{
    if (filter) {
        // A filter is a list of texts ending in an empty one.
        const char* end = filter;
        while (*end)
            end += std::strlen(end) + 1;
        m_filter.assign(filter, end + 1);
    }
    m_ofn.lStructSize = sizeof(m_ofn);
    m_ofn.hwndOwner = owner;
    m_ofn.Flags = OFN_ALLOWMULTISELECT | OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
}

INT_PTR CFileDialog::DoModal()
{
    m_paths.clear();
    std::fill(m_buffer.begin(), m_buffer.end(), '\0');
    m_ofn.lpstrFile = m_buffer.data();
    m_ofn.nMaxFile = static_cast<DWORD>(m_buffer.size() - 2);
    m_ofn.lpstrInitialDir = m_initialFolder.IsEmpty() ? nullptr : static_cast<const char*>(m_initialFolder);
    m_ofn.lpstrFilter = m_filter.empty() ? nullptr : m_filter.data();
    const BOOL chosen = GetOpenFileNameA(&m_ofn);
    m_error = chosen ? ReadPaths() : CommDlgExtendedError();
    if (m_error)
        m_paths.clear();
    return m_error || m_paths.empty() ? IDCANCEL : IDOK;
}

DWORD CFileDialog::ReadPaths()
{
    // One file: its full path. Several: the folder, then each name, each text terminated and
    // the list ended by an empty text, all inside the nMaxFile characters given. Wine 8 says
    // yes to a selection longer than that, leaving the folder out and the last name cut: a
    // list that runs past the buffer or does not start with a full path is no answer.
    const char* buffer = m_buffer.data();
    const size_t limit = m_ofn.nMaxFile;
    std::vector<const char*> texts;
    size_t at = 0;
    for (; buffer[at]; at += std::strlen(buffer + at) + 1) {
        if (at + std::strlen(buffer + at) >= limit)
            return FNERR_BUFFERTOOSMALL;
        texts.push_back(buffer + at);
    }
    if (texts.size() > 1 && at >= limit)
        return FNERR_BUFFERTOOSMALL;
    // Names that fit without their folder come back without it (measured: three names in 30
    // characters).
    if (texts.size() > 1 && PathIsRelativeA(texts[0]))
        return FNERR_BUFFERTOOSMALL;
    if (texts.empty() || PathIsRelativeA(texts[0]))
        return FNERR_INVALIDFILENAME;
    if (texts.size() == 1) {
        m_paths.emplace_back(texts[0]);
        return 0;
    }
    CString prefix(texts[0]);
    if (prefix.Right(1) != "\\")
        prefix += "\\";
    for (size_t i = 1; i < texts.size(); ++i)
        m_paths.push_back(prefix + texts[i]);
    return 0;
}
