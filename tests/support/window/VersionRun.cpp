#include "window/VersionRun.h"

#include <windows.h>

#include "framework/RegistryHandle.h"

namespace windowtest {

namespace {

const char kMarker[] = "TARNIX_WINDOWS_VERSION_RUN";
const char kAppDefaults[] = "Software\\Wine\\AppDefaults\\";

// The copy of the program and Wine's setting for it, both gone with the object.
class CProgramCopy {
public:
    CProgramCopy(const char* version)
    {
        char self[MAX_PATH] = {};
        char folder[MAX_PATH] = {};
        if (!::GetModuleFileNameA(nullptr, self, MAX_PATH) || !::GetTempPathA(MAX_PATH, folder))
            return;
        static int s_copies = 0;
        m_name =
            "tarnix-version-" + std::to_string(::GetCurrentProcessId()) + "-" + std::to_string(++s_copies) + ".exe";
        m_path = std::string(folder) + m_name;
        if (!::CopyFileA(self, m_path.c_str(), FALSE))
            return;
        m_copied = true;
        CRegistryHandle key;
        m_keySet = key.Create(HKEY_CURRENT_USER, (kAppDefaults + m_name).c_str()) == ERROR_SUCCESS &&
                   key.WriteString("Version", version) == ERROR_SUCCESS;
    }
    ~CProgramCopy()
    {
        ::RegDeleteKeyA(HKEY_CURRENT_USER, (kAppDefaults + m_name).c_str());
        // The loader may let go of the file a moment after the process has ended.
        for (int attempt = 0; m_copied && !::DeleteFileA(m_path.c_str()) && attempt < 50; ++attempt)
            ::Sleep(20);
    }
    CProgramCopy(const CProgramCopy&) = delete;
    CProgramCopy& operator=(const CProgramCopy&) = delete;

    bool IsReady() const { return m_copied && m_keySet; }
    const std::string& Path() const { return m_path; }

private:
    std::string m_name;
    std::string m_path;
    bool m_copied = false;
    bool m_keySet = false;
};

// An inheritable duplicate of one of this process's standard handles, for the child.
class CInheritedHandle {
public:
    explicit CInheritedHandle(DWORD which)
    {
        HANDLE own = ::GetStdHandle(which);
        if (own && own != INVALID_HANDLE_VALUE)
            ::DuplicateHandle(::GetCurrentProcess(), own, ::GetCurrentProcess(), &m_handle, 0, TRUE,
                              DUPLICATE_SAME_ACCESS);
    }
    ~CInheritedHandle()
    {
        if (m_handle)
            ::CloseHandle(m_handle);
    }
    CInheritedHandle(const CInheritedHandle&) = delete;
    CInheritedHandle& operator=(const CInheritedHandle&) = delete;

    HANDLE Get() const { return m_handle; }

private:
    HANDLE m_handle = nullptr;
};

} // namespace

const char* WindowsVersionOfThisRun()
{
    static const std::string s_version = [] {
        char value[64] = {};
        const DWORD length = ::GetEnvironmentVariableA(kMarker, value, sizeof(value));
        return std::string(length < sizeof(value) ? value : "");
    }();
    return s_version.empty() ? nullptr : s_version.c_str();
}

int RunAgainUnderWindowsVersion(const char* version, const std::string& arguments)
{
    CProgramCopy copy(version);
    if (!copy.IsReady())
        return -1;
    CInheritedHandle out(STD_OUTPUT_HANDLE);
    CInheritedHandle err(STD_ERROR_HANDLE);
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out.Get();
    startup.hStdError = err.Get();
    std::string commandLine = "\"" + copy.Path() + "\" " + arguments;
    // The child takes the marker with the rest of this process's environment.
    ::SetEnvironmentVariableA(kMarker, version);
    PROCESS_INFORMATION process = {};
    const BOOL started = ::CreateProcessA(copy.Path().c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr,
                                          nullptr, &startup, &process);
    ::SetEnvironmentVariableA(kMarker, nullptr);
    if (!started)
        return -1;
    DWORD code = static_cast<DWORD>(-1);
    if (::WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0) {
        ::TerminateProcess(process.hProcess, code);
        ::WaitForSingleObject(process.hProcess, 5000);
    } else if (!::GetExitCodeProcess(process.hProcess, &code)) {
        code = static_cast<DWORD>(-1);
    }
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

} // namespace windowtest
