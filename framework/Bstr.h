#pragma once
// CBstr: owns one BSTR (SysAllocString / SysFreeString) and converts between it and 8-bit text.

#include <string>

#include <windows.h>
#include <oleauto.h>

#include "framework/String.h"

class CBstr {
public:
    CBstr() = default;
    explicit CBstr(const wchar_t* text);
    explicit CBstr(const char* ansi); // from the ANSI code page
    static CBstr FromUtf8(const char* utf8, int length = -1);
    CBstr(const CBstr& other);
    CBstr(CBstr&& other) noexcept : m_bstr(other.m_bstr) { other.m_bstr = nullptr; }
    CBstr& operator=(CBstr other) noexcept;
    ~CBstr() { Free(); }

    BSTR Get() const { return m_bstr; }
    operator BSTR() const { return m_bstr; }
    UINT Length() const { return m_bstr ? SysStringLen(m_bstr) : 0; }
    // For out parameters: frees the current text and lends the slot.
    BSTR* Receive()
    {
        Free();
        return &m_bstr;
    }
    void Attach(BSTR bstr)
    {
        Free();
        m_bstr = bstr;
    }
    BSTR Detach()
    {
        BSTR b = m_bstr;
        m_bstr = nullptr;
        return b;
    }

    CString ToAnsi() const; // to the ANSI code page; unmappable characters become '?'
    std::string ToUtf8() const;

private:
    void Free();

    BSTR m_bstr = nullptr;
};

// Conversions used where wide text meets the 8-bit CString.
std::wstring AnsiToWide(const char* text, int length = -1);
CString WideToAnsi(const wchar_t* text, int length = -1);
std::string WideToUtf8(const wchar_t* text, int length = -1);
std::wstring Utf8ToWide(const char* text, int length = -1);
