#include "framework/com/ComModule.h"

#include "framework/AppState.h"

CComModule& CComModule::Instance()
{
    static CComModule module;
    return module;
}

HINSTANCE CComModule::Handle() const
{
    return AfxGetInstanceHandle();
}

std::wstring CComModule::Path() const
{
    // Paths may be longer than MAX_PATH; a full buffer means the path was cut.
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD size = static_cast<DWORD>(path.size());
        const DWORD got = GetModuleFileNameW(Handle(), &path[0], size);
        if (got == 0)
            return std::wstring();
        if (got < size) {
            path.resize(got);
            return path;
        }
        if (size >= 32768)
            return std::wstring();
        path.resize(path.size() * 2);
    }
}
