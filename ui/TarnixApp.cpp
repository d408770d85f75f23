#include "ui/TarnixApp.h"

#include <clocale>
#include <cstring>
#include <string>
#include <vector>

#include <commctrl.h>
#include <ole2.h>
#include <wininet.h>

#include "app/FileLink.h"
#include "app/MainManager.h"
#include "ui/TarnixDlg.h"
#include "ui/UIManager.h"
#include "ui/portable/CookieValue.h"
#include "ui/portable/HandOffText.h"
#include "ui/res/ui_ids.h"

namespace {

// Registered when the program's statics are made.
const UINT g_handOffMessage = ::RegisterWindowMessageA(kHandOffName);
// A running copy that does not answer this soon misses the link.
const UINT kBroadcastWaitMs = 200;
const char kCookieName[] = "TNAction";

// A view of the whole section for writing, unmapped at the end of its scope.
class CSectionView {
public:
    explicit CSectionView(HANDLE section)
        : m_view(static_cast<char*>(::MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, kHandOffSectionSize)))
    {}
    ~CSectionView()
    {
        if (m_view)
            ::UnmapViewOfFile(m_view);
    }
    CSectionView(const CSectionView&) = delete;
    CSectionView& operator=(const CSectionView&) = delete;

    char* Get() const { return m_view; }

private:
    char* m_view;
};

CString LoadText(UINT id)
{
    CString text;
    text.LoadString(id);
    return text;
}

// The cookies the store holds for `url`; empty when none.
std::string ReadCookies(const char* url)
{
    DWORD size = 0;
    if (!::InternetGetCookieA(url, nullptr, nullptr, &size) || size == 0)
        return std::string();
    std::vector<char> buffer(size + 1, '\0');
    if (!::InternetGetCookieA(url, nullptr, buffer.data(), &size))
        return std::string();
    return std::string(buffer.data());
}

} // namespace

CTarnixApp::CTarnixApp() : CWinApp("Tarnix") {}

int CTarnixApp::WriteArgument(const CString& argument) const
{
    CSectionView view(m_section);
    if (!view.Get())
        return -1;
    // Cut to the section, and then not handed over: a cut link is another link.
    const std::size_t length = argument.str().size();
    const std::size_t copied = length < kHandOffSectionSize ? length : kHandOffSectionSize - 1;
    std::memcpy(view.Get(), argument.GetString(), copied);
    view.Get()[copied] = '\0';
    return copied == length ? static_cast<int>(length) : -1;
}

BOOL CTarnixApp::InitInstance()
{
    std::setlocale(LC_ALL, "");

    m_section = ::CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                     static_cast<DWORD>(kHandOffSectionSize), kHandOffName);
    if (!m_section)
        return FALSE;
    const bool anotherRuns = ::GetLastError() == ERROR_ALREADY_EXISTS;

    CCommandLineInfo commandLine;
    ParseCommandLine(commandLine);
    const int handedLength = commandLine.m_strFileName.IsEmpty() ? -1 : WriteArgument(commandLine.m_strFileName);

    if (anotherRuns) {
        if (handedLength >= 0) {
            DWORD_PTR answer = 0;
            ::SendMessageTimeoutA(HWND_BROADCAST, g_handOffMessage, 0, handedLength, SMTO_BLOCK | SMTO_ABORTIFHUNG,
                                  kBroadcastWaitMs, &answer);
        }
        return FALSE;
    }

    ::OleInitialize(nullptr);
    ::InitCommonControls();
    AfxEnableControlContainer();
    SetRegistryKey("TARNIX Application");

    CUIManager& ui = *CUIManager::Instance();
    CTarnixDlg dialog;
    ui.SetMainDialog(&dialog);
    if (!CMainManager::Instance()->Init())
        return FALSE;
    if (handedLength >= 0)
        ui.OnLinkFromOtherInstance(handedLength);
    OpenCookieLink();

    m_pMainWnd = &dialog;
    dialog.DoModal();
    m_pMainWnd = nullptr;
    return FALSE;
}

void CTarnixApp::OpenCookieLink()
{
    const CString site = LoadText(IDS_SITE_ADDRESS);
    std::string value;
    if (!FindCookieValue(ReadCookies(site), kCookieName, value))
        return;
    CUIManager::Instance()->OpenLinkText(CFileLink::GetLinkPagePrefix() + CString(value.c_str()));
    // Emptied and expired, so no later start finds it in the store.
    ::InternetSetCookieA(site, kCookieName, "; expires=Thu, 01-Jan-1970 00:00:01 GMT");
}

int CTarnixApp::ExitInstance()
{
    if (m_section) {
        ::CloseHandle(m_section);
        m_section = nullptr;
    }
    return CWinApp::ExitInstance();
}
