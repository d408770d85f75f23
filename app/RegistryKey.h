#pragma once
// CRegistryKey: the settings key ("Software\Tarnix\") and one-step value access beneath it.
//
// Every call opens the key, does one thing and closes it again. `currentUser` picks
// HKEY_CURRENT_USER (true) or HKEY_LOCAL_MACHINE (false). A value name containing "\" addresses a
// subkey: "Update\last" is the value "last" in the subkey "Update" of the key. Writes create the
// key; reads only open it (read access is enough, and reading never leaves empty keys behind).

#include "framework/RegistryHandle.h"
#include "framework/String.h"

class CRegistryKey {
public:
    explicit CRegistryKey(const char* keyPath);

    const CString& GetPath() const { return m_path; }

    bool SetString(const char* name, const char* text, bool currentUser = true) const;
    // REG_SZ only, of any length up to maxBytes; the text is always whole and terminated.
    bool GetString(const char* name, CString& text, bool currentUser = true,
                   DWORD maxBytes = CRegistryHandle::kMaxTextBytes) const;
    bool SetDword(const char* name, DWORD value, bool currentUser = true) const;
    bool GetDword(const char* name, DWORD& value, bool currentUser = true) const; // REG_DWORD only
    bool SetBinary(const char* name, const void* data, DWORD size, bool currentUser = true) const;
    // REG_BINARY only; the number of bytes read, 0 on failure (also when larger than the buffer).
    DWORD GetBinary(const char* name, void* buffer, DWORD size, bool currentUser = true) const;
    bool DeleteValue(const char* name, bool currentUser = true) const;
    bool DeleteKey(const char* name, bool currentUser = true) const; // a subkey without subkeys
    bool ValueExists(const char* name, bool currentUser = true) const;

private:
    // Splits name into the key to open and the value name within it.
    void Locate(const char* name, CString& keyPath, CString& valueName) const;
    bool OpenForRead(const char* name, bool currentUser, CRegistryHandle& key, CString& valueName) const;
    bool OpenForWrite(const char* name, bool currentUser, CRegistryHandle& key, CString& valueName) const;

    CString m_path; // without a trailing "\"
};
