#pragma once
// CRegistryHandle: one open registry key (closed on destruction) and the typed value reads and
// writes that the settings and the profile share. Reads check the stored type and size, so a
// value of the wrong kind is reported as absent, never half-used.

#include <cstdint>

#include "framework/String.h"

class CRegistryHandle {
public:
    // Longest text value read, in bytes; longer ones are treated as unreadable.
    static const DWORD kMaxTextBytes = 32768;

    CRegistryHandle() = default;
    ~CRegistryHandle() { Close(); }
    CRegistryHandle(const CRegistryHandle&) = delete;
    CRegistryHandle& operator=(const CRegistryHandle&) = delete;

    // Opens the key, creating it (and its parents) when absent. Returns the Win32 error code.
    LONG Create(HKEY root, const char* path, REGSAM access = KEY_READ | KEY_WRITE);
    LONG Open(HKEY root, const char* path, REGSAM access = KEY_READ);
    void Close();
    HKEY Get() const { return m_key; }
    bool IsOpen() const { return m_key != nullptr; }

    // REG_SZ only; the text ends at its first NUL, whether or not one was stored.
    bool ReadString(const char* name, CString& text, DWORD maxBytes = kMaxTextBytes) const;
    // REG_DWORD of exactly 4 bytes only.
    bool ReadDword(const char* name, DWORD& value) const;
    // REG_BINARY only; `read` gets the byte count. False when the value is larger than the buffer.
    bool ReadBinary(const char* name, void* buffer, DWORD size, DWORD& read) const;
    bool ValueExists(const char* name) const;

    LONG WriteString(const char* name, const char* text);
    LONG WriteDword(const char* name, DWORD value);
    LONG WriteBinary(const char* name, const void* data, DWORD size);
    LONG DeleteValue(const char* name);

private:
    HKEY m_key = nullptr;
};
