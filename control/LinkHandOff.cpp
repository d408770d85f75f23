#include "control/LinkHandOff.h"

#include <cstring>

#include <windows.h>
#include <shellapi.h>

#include "control/portable/LinkText.h"
#include "framework/RegistryHandle.h"

namespace {

const char kHandOffName[] = "TARNIX_SINGLE_INSTANCE";
// The link, its terminating zero and nothing else.
const DWORD kSectionSize = 2048;
static_assert(kMaxHandOverLinkLength < kSectionSize, "the link and its zero fit the section");
// A broadcast waits this long for each top-level window that does not answer at once.
const UINT kBroadcastWaitMs = 200;

// Registered when the library is loaded, and kept for its lifetime.
const UINT g_handOffMessage = RegisterWindowMessageA(kHandOffName);

class CKernelHandle {
public:
    explicit CKernelHandle(HANDLE handle) : m_handle(handle) {}
    ~CKernelHandle()
    {
        if (m_handle)
            CloseHandle(m_handle);
    }
    CKernelHandle(const CKernelHandle&) = delete;
    CKernelHandle& operator=(const CKernelHandle&) = delete;
    HANDLE Get() const { return m_handle; }

private:
    HANDLE m_handle;
};

class CMappedView {
public:
    CMappedView(HANDLE section, DWORD size) : m_view(MapViewOfFile(section, FILE_MAP_WRITE, 0, 0, size)) {}
    ~CMappedView()
    {
        if (m_view)
            UnmapViewOfFile(m_view);
    }
    CMappedView(const CMappedView&) = delete;
    CMappedView& operator=(const CMappedView&) = delete;
    char* Get() const { return static_cast<char*>(m_view); }

private:
    void* m_view;
};

// The running program owns the section: the link goes in, then the message says how long it is.
bool HandToRunningProgram(HANDLE section, const std::string& link)
{
    {
        const CMappedView view(section, kSectionSize);
        if (!view.Get())
            return false;
        std::memcpy(view.Get(), link.c_str(), link.size() + 1);
    }
    DWORD_PTR answer = 0;
    // The answer is not needed: a program that does not take the link cannot be helped here.
    SendMessageTimeoutA(HWND_BROADCAST, g_handOffMessage, 0, static_cast<LPARAM>(link.size()),
                        SMTO_BLOCK | SMTO_ABORTIFHUNG, kBroadcastWaitMs, &answer);
    return true;
}

// No program runs: start it from the folder the installer wrote, with the link in quotes.
bool StartProgram(const std::string& link)
{
    CRegistryHandle key;
    if (key.Open(HKEY_CURRENT_USER, "Software\\Tarnix", KEY_READ) != ERROR_SUCCESS)
        return false;
    // A string value only, read whole: a longer value is refused, never cut.
    CString folder;
    if (!key.ReadString("InstallDir", folder, MAX_PATH) || folder.IsEmpty())
        return false;
    key.Close();
    const std::string program = std::string(folder.GetString()) + "\\Tarnix.exe";
    if (program.size() + 1 > MAX_PATH)
        return false;
    const std::string parameters = "\"" + link + "\"";
    const HINSTANCE started =
        ShellExecuteA(nullptr, "open", program.c_str(), parameters.c_str(), nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(started) > 32;
}

} // namespace

bool HandLinkToTarnix(const std::string& link)
{
    if (link.size() > kMaxHandOverLinkLength)
        return false;
    {
        const CKernelHandle section(
            CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kSectionSize, kHandOffName));
        if (!section.Get())
            return false;
        if (GetLastError() == ERROR_ALREADY_EXISTS)
            return HandToRunningProgram(section.Get(), link);
    }
    // The fresh section is gone with its handle before the program is started, so the program
    // makes its own.
    return StartProgram(link);
}
