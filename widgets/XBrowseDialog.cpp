#include "widgets/XBrowseDialog.h"

#include <cstring>

#include "framework/ComInitializer.h"
#include "framework/ComPtr.h"
#include "framework/Wnd.h"

namespace {

// The selection by path is sent again until the start folder is selected, for up to 10 s: the
// dialog is the user's until then, and a selection the user makes off the way to it ends the
// retries.
const UINT_PTR kSelectionTimer = 0x7A51;
const UINT kSelectionRetryMs = 50;
const int kSelectionRetries = 200;
// The picker behind a dialog whose selection is retried.
const char kPickerProperty[] = "TarnixFolderPicker";

// Whether `folder` is `path` or one of the folders above it (without case).
bool LeadsTo(const char* folder, const char* path)
{
    const std::size_t length = std::strlen(folder);
    if (length == 0 || length > std::strlen(path) ||
        ::CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, folder, static_cast<int>(length), path,
                         static_cast<int>(length)) != CSTR_EQUAL)
        return false;
    return path[length] == '\0' || path[length] == '\\' || folder[length - 1] == '\\';
}

} // namespace

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
        char* start = browse->m_start;
        if (browse->m_path[0])
            std::memcpy(start, browse->m_path, MAX_PATH);
        else if (::GetCurrentDirectoryA(MAX_PATH, start) >= MAX_PATH)
            start[0] = '\0'; // longer than a path the dialog can select
        if (start[0]) {
            // Wine 8 ignores the first selection by path in the first classic-style dialog of a
            // process (no BFFM_SELCHANGED follows, the Desktop stays selected); a second one holds
            // on a quiet machine, while on a loaded one the dialog was seen to stay on the Desktop
            // or on a folder above the start: later ones, sent from the dialog's own loop, hold.
            browse->m_selection = ESelection::Pending;
            ::SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(start));
            if (browse->m_selection == ESelection::Pending)
                ::SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(start));
            if (browse->m_selection == ESelection::Pending) {
                browse->m_selectionRetries = 0;
                if (::SetPropA(dialog, kPickerProperty, browse))
                    ::SetTimer(dialog, kSelectionTimer, kSelectionRetryMs, &RetrySelection);
            }
        }
        break;
    }
    case BFFM_SELCHANGED: {
        char path[MAX_PATH] = {};
        const bool isFolder = SHGetPathFromIDListA(reinterpret_cast<LPCITEMIDLIST>(lParam), path);
        // Items without a path (the Desktop, My Computer) and the folders above the start lie on
        // the way to it.
        if (browse->m_selection == ESelection::Pending && isFolder && !LeadsTo(path, browse->m_start))
            browse->m_selection = ESelection::Elsewhere;
        else if (isFolder && lstrcmpiA(path, browse->m_start) == 0)
            browse->m_selection = ESelection::Start;
        if ((browse->m_browseInfo.ulFlags & BIF_STATUSTEXT) && isFolder)
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

void CALLBACK CXBrowseDialog::RetrySelection(HWND dialog, UINT, UINT_PTR timer, DWORD)
{
    auto* browse = static_cast<CXBrowseDialog*>(::GetPropA(dialog, kPickerProperty));
    if (browse == nullptr || browse->m_selection != ESelection::Pending ||
        ++browse->m_selectionRetries > kSelectionRetries) {
        ::KillTimer(dialog, timer);
        ::RemovePropA(dialog, kPickerProperty);
        return;
    }
    ::SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(browse->m_start));
}
