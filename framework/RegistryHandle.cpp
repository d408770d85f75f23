#include "framework/RegistryHandle.h"

#include <cstring>
#include <vector>

LONG CRegistryHandle::Create(HKEY root, const char* path, REGSAM access)
{
    Close();
    HKEY key = nullptr;
    const LONG result =
        RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &key, nullptr);
    if (result == ERROR_SUCCESS)
        m_key = key;
    return result;
}

LONG CRegistryHandle::Open(HKEY root, const char* path, REGSAM access)
{
    Close();
    HKEY key = nullptr;
    const LONG result = RegOpenKeyExA(root, path, 0, access, &key);
    if (result == ERROR_SUCCESS)
        m_key = key;
    return result;
}

void CRegistryHandle::Close()
{
    if (m_key) {
        RegCloseKey(m_key);
        m_key = nullptr;
    }
}

bool CRegistryHandle::ReadString(const char* name, CString& text, DWORD maxBytes) const
{
    if (!m_key)
        return false;
    // The value may change between the size query and the read; ask again when it grew.
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD type = 0;
        DWORD size = 0;
        if (RegQueryValueExA(m_key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS || type != REG_SZ)
            return false;
        if (size > maxBytes)
            return false;
        std::vector<char> buffer(size + 1, '\0');
        DWORD got = size;
        const LONG result = RegQueryValueExA(m_key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &got);
        if (result == ERROR_MORE_DATA)
            continue;
        if (result != ERROR_SUCCESS || type != REG_SZ || got > size)
            return false;
        text = CString(buffer.data(), static_cast<int>(got));
        return true;
    }
    return false;
}

bool CRegistryHandle::ReadDword(const char* name, DWORD& value) const
{
    if (!m_key)
        return false;
    DWORD type = 0;
    DWORD data = 0;
    DWORD size = sizeof data;
    if (RegQueryValueExA(m_key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS)
        return false;
    if (type != REG_DWORD || size != sizeof data)
        return false;
    value = data;
    return true;
}

bool CRegistryHandle::ReadBinary(const char* name, void* buffer, DWORD size, DWORD& read) const
{
    read = 0;
    if (!m_key)
        return false;
    DWORD type = 0;
    DWORD got = size;
    if (RegQueryValueExA(m_key, name, nullptr, &type, static_cast<BYTE*>(buffer), &got) != ERROR_SUCCESS)
        return false;
    if (type != REG_BINARY)
        return false;
    read = got;
    return true;
}

bool CRegistryHandle::ValueExists(const char* name) const
{
    return m_key && RegQueryValueExA(m_key, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

LONG CRegistryHandle::WriteString(const char* name, const char* text)
{
    if (!m_key)
        return ERROR_INVALID_HANDLE;
    const char* value = text ? text : "";
    return RegSetValueExA(m_key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                          static_cast<DWORD>(std::strlen(value) + 1));
}

LONG CRegistryHandle::WriteDword(const char* name, DWORD value)
{
    if (!m_key)
        return ERROR_INVALID_HANDLE;
    return RegSetValueExA(m_key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

LONG CRegistryHandle::WriteBinary(const char* name, const void* data, DWORD size)
{
    if (!m_key)
        return ERROR_INVALID_HANDLE;
    return RegSetValueExA(m_key, name, 0, REG_BINARY, static_cast<const BYTE*>(data), size);
}

LONG CRegistryHandle::DeleteValue(const char* name)
{
    if (!m_key)
        return ERROR_INVALID_HANDLE;
    return RegDeleteValueA(m_key, name);
}
