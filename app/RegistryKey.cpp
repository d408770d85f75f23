#include "app/RegistryKey.h"

namespace {

HKEY RootFor(bool currentUser)
{
    return currentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

} // namespace

CRegistryKey::CRegistryKey(const char* keyPath) : m_path(keyPath)
{
    m_path.TrimRight("\\");
}

void CRegistryKey::Locate(const char* name, CString& keyPath, CString& valueName) const
{
    const CString full(name);
    const int slash = full.ReverseFind('\\');
    keyPath = m_path;
    if (slash < 0) {
        valueName = full;
        return;
    }
    CString sub = full.Left(slash);
    sub.Trim("\\");
    if (!sub.IsEmpty()) {
        keyPath += "\\";
        keyPath += sub;
    }
    valueName = full.Mid(slash + 1);
}

bool CRegistryKey::OpenForRead(const char* name, bool currentUser, CRegistryHandle& key, CString& valueName) const
{
    CString keyPath;
    Locate(name, keyPath, valueName);
    return key.Open(RootFor(currentUser), keyPath, KEY_READ) == ERROR_SUCCESS;
}

bool CRegistryKey::OpenForWrite(const char* name, bool currentUser, CRegistryHandle& key, CString& valueName) const
{
    CString keyPath;
    Locate(name, keyPath, valueName);
    return key.Create(RootFor(currentUser), keyPath, KEY_READ | KEY_WRITE) == ERROR_SUCCESS;
}

bool CRegistryKey::SetString(const char* name, const char* text, bool currentUser) const
{
    CRegistryHandle key;
    CString value;
    return OpenForWrite(name, currentUser, key, value) && key.WriteString(value, text) == ERROR_SUCCESS;
}

bool CRegistryKey::GetString(const char* name, CString& text, bool currentUser, DWORD maxBytes) const
{
    CRegistryHandle key;
    CString value;
    return OpenForRead(name, currentUser, key, value) && key.ReadString(value, text, maxBytes);
}

bool CRegistryKey::SetDword(const char* name, DWORD value, bool currentUser) const
{
    CRegistryHandle key;
    CString valueName;
    return OpenForWrite(name, currentUser, key, valueName) && key.WriteDword(valueName, value) == ERROR_SUCCESS;
}

bool CRegistryKey::GetDword(const char* name, DWORD& value, bool currentUser) const
{
    CRegistryHandle key;
    CString valueName;
    return OpenForRead(name, currentUser, key, valueName) && key.ReadDword(valueName, value);
}

bool CRegistryKey::SetBinary(const char* name, const void* data, DWORD size, bool currentUser) const
{
    CRegistryHandle key;
    CString valueName;
    return OpenForWrite(name, currentUser, key, valueName) && key.WriteBinary(valueName, data, size) == ERROR_SUCCESS;
}

DWORD CRegistryKey::GetBinary(const char* name, void* buffer, DWORD size, bool currentUser) const
{
    CRegistryHandle key;
    CString valueName;
    DWORD read = 0;
    if (!OpenForRead(name, currentUser, key, valueName) || !key.ReadBinary(valueName, buffer, size, read))
        return 0;
    return read;
}

bool CRegistryKey::DeleteValue(const char* name, bool currentUser) const
{
    CRegistryHandle key;
    CString valueName;
    return OpenForWrite(name, currentUser, key, valueName) && key.DeleteValue(valueName) == ERROR_SUCCESS;
}

bool CRegistryKey::DeleteKey(const char* name, bool currentUser) const
{
    CRegistryHandle key;
    if (key.Open(RootFor(currentUser), m_path, KEY_READ | KEY_WRITE) != ERROR_SUCCESS)
        return false;
    return RegDeleteKeyA(key.Get(), name) == ERROR_SUCCESS;
}

bool CRegistryKey::ValueExists(const char* name, bool currentUser) const
{
    CRegistryHandle key;
    CString valueName;
    return OpenForRead(name, currentUser, key, valueName) && key.ValueExists(valueName);
}
