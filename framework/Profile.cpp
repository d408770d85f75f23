#include "framework/Profile.h"

#include "framework/RegistryHandle.h"

CAppProfile::CAppProfile(const char* registryKey, const char* applicationName)
    : m_registryKey(registryKey), m_applicationName(applicationName)
{}

CString CAppProfile::SectionPath(const char* section) const
{
    CString path("Software\\");
    path += m_registryKey;
    path += "\\";
    path += m_applicationName;
    CString name(section);
    name.Trim("\\");
    if (!name.IsEmpty()) {
        path += "\\";
        path += name;
    }
    return path;
}

CString CAppProfile::GetProfileString(const char* section, const char* entry, const char* defaultValue) const
{
    CRegistryHandle key;
    CString text;
    if (key.Open(HKEY_CURRENT_USER, SectionPath(section), KEY_READ) == ERROR_SUCCESS && key.ReadString(entry, text))
        return text;
    return CString(defaultValue);
}

bool CAppProfile::WriteProfileString(const char* section, const char* entry, const char* value)
{
    CRegistryHandle key;
    if (key.Create(HKEY_CURRENT_USER, SectionPath(section)) != ERROR_SUCCESS)
        return false;
    if (!value) {
        const LONG result = key.DeleteValue(entry);
        return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
    }
    return key.WriteString(entry, value) == ERROR_SUCCESS;
}
