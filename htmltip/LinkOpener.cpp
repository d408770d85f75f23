#include "htmltip/LinkOpener.h"

#include <vector>

#include <shellapi.h>

#include "framework/RegistryHandle.h"
#include "htmltip/portable/LinkCommand.h"

namespace {

// A default value of REG_SZ or REG_EXPAND_SZ, ending at its first NUL whether or not one was
// stored.
bool ReadDefaultText(HKEY root, const char* path, CString* text)
{
    CRegistryHandle key;
    if (key.Open(root, path) != ERROR_SUCCESS)
        return false;
    if (key.ReadString("", *text))
        return true;
    DWORD type = 0;
    DWORD size = 0;
    if (::RegQueryValueExA(key.Get(), "", nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_EXPAND_SZ ||
        size == 0 || size > CRegistryHandle::kMaxTextBytes)
        return false;
    std::vector<char> raw(size + 1, '\0');
    if (::RegQueryValueExA(key.Get(), "", nullptr, &type, reinterpret_cast<BYTE*>(raw.data()), &size) != ERROR_SUCCESS)
        return false;
    raw[size] = '\0';
    const DWORD needed = ::ExpandEnvironmentStringsA(raw.data(), nullptr, 0);
    if (needed == 0 || needed > CRegistryHandle::kMaxTextBytes)
        return false;
    std::vector<char> expanded(needed + 1, '\0');
    if (::ExpandEnvironmentStringsA(raw.data(), expanded.data(), needed) == 0)
        return false;
    *text = expanded.data();
    return true;
}

} // namespace

bool ReadHtmOpenCommand(CString* command)
{
    CString pageClass;
    if (!ReadDefaultText(HKEY_CLASSES_ROOT, ".htm", &pageClass) || pageClass.IsEmpty())
        return false;
    const CString path = pageClass + "\\shell\\open\\command";
    return ReadDefaultText(HKEY_CLASSES_ROOT, path, command) && !command->IsEmpty();
}

void OpenLinkTarget(const char* target)
{
    if (!target || !*target)
        return;
    const HINSTANCE result = ::ShellExecuteA(nullptr, "open", target, nullptr, nullptr, SW_SHOW);
    if (reinterpret_cast<INT_PTR>(result) > 32)
        return;
    CString command;
    if (!ReadHtmOpenCommand(&command))
        return;
    const std::string line = htmltip::BuildOpenCommand(command.str(), target);
    if (!line.empty())
        ::WinExec(line.c_str(), SW_SHOW);
}
