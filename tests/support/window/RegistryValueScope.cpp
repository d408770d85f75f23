#include "window/RegistryValueScope.h"

#include <cstring>

#include "framework/RegistryHandle.h"

namespace windowtest {

CRegistryValueScope::CRegistryValueScope(HKEY root, const char* key, const char* name, const char* text)
    : m_root(root), m_key(key), m_name(name)
{
    Set(REG_SZ, text, static_cast<DWORD>(std::strlen(text) + 1));
}

CRegistryValueScope::CRegistryValueScope(HKEY root, const char* key, const char* name, DWORD value)
    : m_root(root), m_key(key), m_name(name)
{
    Set(REG_DWORD, &value, sizeof(value));
}

void CRegistryValueScope::Set(DWORD type, const void* data, DWORD size)
{
    CRegistryHandle handle;
    if (handle.Create(m_root, m_key, KEY_READ | KEY_WRITE) != ERROR_SUCCESS)
        return;
    DWORD oldSize = 0;
    if (RegQueryValueExA(handle.Get(), m_name, nullptr, &m_oldType, nullptr, &oldSize) == ERROR_SUCCESS) {
        m_oldData.resize(oldSize);
        m_existed =
            RegQueryValueExA(handle.Get(), m_name, nullptr, &m_oldType, m_oldData.data(), &oldSize) == ERROR_SUCCESS;
        m_oldData.resize(oldSize);
    }
    m_set = RegSetValueExA(handle.Get(), m_name, 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
}

CRegistryValueScope::~CRegistryValueScope()
{
    if (!m_set)
        return;
    CRegistryHandle handle;
    if (handle.Open(m_root, m_key, KEY_WRITE) != ERROR_SUCCESS)
        return;
    if (m_existed)
        RegSetValueExA(handle.Get(), m_name, 0, m_oldType, m_oldData.data(), static_cast<DWORD>(m_oldData.size()));
    else
        RegDeleteValueA(handle.Get(), m_name);
}

} // namespace windowtest
