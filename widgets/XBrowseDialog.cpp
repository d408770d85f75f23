#include "widgets/XBrowseDialog.h"

#include <cstring>

#include "framework/ComInitializer.h"
#include "framework/ComPtr.h"
#include "framework/Wnd.h"

CXBrowseDialog::CXBrowseDialog(CWnd* parent) : m_title("Select the directory")
{
    m_path[0] = '\0';
    std::memset(&m_browseInfo, 0, sizeof m_browseInfo);
    m_browseInfo.hwndOwner = parent ? parent->GetSafeHwnd() : nullptr;
    m_browseInfo.pidlRoot = nullptr;
    m_browseInfo.pszDisplayName = m_path;
    m_browseInfo.lpszTitle = m_title;
    m_browseInfo.ulFlags = BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT;
    m_browseInfo.lpfn = &BrowseCallback;
    m_browseInfo.lParam = reinterpret_cast<LPARAM>(this);
}

void CXBrowseDialog::SetTitle(const char* text)
{
    m_browseInfo.lpszTitle = text;
}

void CXBrowseDialog::SetPath(const char* text)
{
    // The buffer holds MAX_PATH characters with the terminator.
    const std::size_t length = text ? strnlen(text, MAX_PATH - 1) : 0;
    std::memcpy(m_path, text ? text : "", length);
    m_path[length] = '\0';
}

void CXBrowseDialog::SetFlags(UINT flags)
{
    m_browseInfo.ulFlags = flags;
}

INT_PTR CXBrowseDialog::DoModal()
{
    // The new dialog style hosts shell views, which need OLE on this thread.
    CComInitializer com(COINIT_APARTMENTTHREADED);
    CComPtr<IMalloc> allocator;
    if (FAILED(SHGetMalloc(allocator.Receive())) || !allocator)
        return IDCANCEL;
    INT_PTR result = IDCANCEL;
    if (LPITEMIDLIST item = SHBrowseForFolderA(&m_browseInfo)) {
        if (SHGetPathFromIDListA(item, m_path))
            result = IDOK;
        allocator->Free(item);
    }
    return result;
}

int CALLBACK CXBrowseDialog::BrowseCallback(HWND dialog, UINT msg, LPARAM lParam, LPARAM self)
{
    auto* browse = reinterpret_cast<CXBrowseDialog*>(self);
    switch (msg) {
    case BFFM_INITIALIZED: {
        char start[MAX_PATH] = {};
        if (browse->m_path[0])
            std::memcpy(start, browse->m_path, sizeof start);
        else if (::GetCurrentDirectoryA(MAX_PATH, start) >= MAX_PATH)
            start[0] = '\0'; // longer than a path the dialog can select
        if (start[0]) {
            // Wine 8 ignores the first selection by path in the first classic-style dialog of a
            // process (no BFFM_SELCHANGED follows, the Desktop stays selected); a second one holds.
            browse->m_selectionChanged = false;
            ::SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(start));
            if (!browse->m_selectionChanged)
                ::SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(start));
        }
        break;
    }
    case BFFM_SELCHANGED: {
        browse->m_selectionChanged = true;
        char path[MAX_PATH] = {};
        if ((browse->m_browseInfo.ulFlags & BIF_STATUSTEXT) &&
            SHGetPathFromIDListA(reinterpret_cast<LPCITEMIDLIST>(lParam), path))
            // The new dialog style (BIF_NEWDIALOGSTYLE) keeps its status line hidden: under Wine 8
            // the text is set but not shown.
            ::SendMessageA(dialog, BFFM_SETSTATUSTEXTA, 0, reinterpret_cast<LPARAM>(path));
        break;
    }
    default:
        break;
    }
    return 0;
}
