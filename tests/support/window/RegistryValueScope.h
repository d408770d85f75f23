#pragma once
// CRegistryValueScope: sets one registry value for the length of a test and puts back what was
// there (the old data and type, or no value at all) when it ends. Test thread only.

#include <vector>

#include <windows.h>

#include "framework/String.h"

namespace windowtest {

class CRegistryValueScope {
public:
    CRegistryValueScope(HKEY root, const char* key, const char* name, const char* text);
    CRegistryValueScope(HKEY root, const char* key, const char* name, DWORD value);
    ~CRegistryValueScope();
    CRegistryValueScope(const CRegistryValueScope&) = delete;
    CRegistryValueScope& operator=(const CRegistryValueScope&) = delete;

    // False when the value could not be written.
    bool IsSet() const { return m_set; }

private:
    void Set(DWORD type, const void* data, DWORD size);

    HKEY m_root;
    CString m_key;
    CString m_name;
    bool m_set = false;
    bool m_existed = false;
    DWORD m_oldType = 0;
    std::vector<BYTE> m_oldData;
};

} // namespace windowtest
