#pragma once
// CString: an 8-bit (ANSI code page) text with value semantics.
//
// Every object owns its own characters (no shared, reference-counted buffer), so a copy made on
// one thread can be handed to and used on another without any locking. Positions and counts are
// `int`, as the Win32 calls it is passed to expect; out-of-range positions are clamped, never
// undefined.

#include <cstdarg>
#include <string>

#include <windows.h>

#if defined(__MINGW32__)
#define TN_PRINTF_FORMAT(fmt, args) __attribute__((format(gnu_printf, fmt, args)))
#else
#define TN_PRINTF_FORMAT(fmt, args)
#endif

class CString {
public:
    CString() = default;
    CString(const char* text);            // null gives the empty text
    CString(const char* text, int count); // the first count characters (stops at none)
    explicit CString(char ch, int repeat = 1);
    CString(const std::string& text) : m_text(text) {}
    CString(const CString&) = default;
    CString(CString&&) noexcept = default;
    CString& operator=(const CString&) = default;
    CString& operator=(CString&&) noexcept = default;
    CString& operator=(const char* text);
    CString& operator=(char ch);

    int GetLength() const { return static_cast<int>(m_text.size()); }
    bool IsEmpty() const { return m_text.empty(); }
    void Empty() { m_text.clear(); }

    // Never null; valid until the text is next changed.
    operator const char*() const { return m_text.c_str(); }
    const char* GetString() const { return m_text.c_str(); }
    const std::string& str() const { return m_text; }

    char GetAt(int index) const; // 0 past the end
    char operator[](int index) const { return GetAt(index); }
    void SetAt(int index, char ch); // ignored past the end

    CString& operator+=(const CString& text)
    {
        m_text += text.m_text;
        return *this;
    }
    CString& operator+=(const char* text);
    CString& operator+=(char ch)
    {
        m_text += ch;
        return *this;
    }
    void Append(const char* text, int count);

    // Comparisons: ordinal (byte values), and case-insensitive in the user's locale (lstrcmpiA).
    int Compare(const char* text) const;
    int CompareNoCase(const char* text) const;

    // Searches return the position found or -1.
    int Find(char ch, int start = 0) const;
    int Find(const char* text, int start = 0) const;
    int ReverseFind(char ch) const;
    int FindOneOf(const char* chars) const;

    CString Mid(int first) const;
    CString Mid(int first, int count) const;
    CString Left(int count) const;
    CString Right(int count) const;

    // Replace every occurrence; returns how many were replaced. An empty `from` replaces nothing.
    int Replace(char from, char to);
    int Replace(const char* from, const char* to);
    int Remove(char ch);
    int Insert(int index, const char* text);
    int Delete(int index, int count = 1);

    CString& MakeUpper();
    CString& MakeLower();
    CString& TrimLeft();
    CString& TrimRight();
    CString& Trim();
    CString& TrimLeft(const char* chars);
    CString& TrimRight(const char* chars);
    CString& Trim(const char* chars);

    // printf-style, the C99 conversions (%lld and PRId64 for 64-bit integers). A CString argument
    // must be passed as (const char*) or .GetString().
    void Format(const char* format, ...) TN_PRINTF_FORMAT(2, 3);
    void AppendFormat(const char* format, ...) TN_PRINTF_FORMAT(2, 3);
    void FormatV(const char* format, va_list args);
    void AppendFormatV(const char* format, va_list args);

    // Text `id` of the resource module's string table (AfxGetResourceHandle); false (text left
    // unchanged) when there is none.
    bool LoadString(UINT id);

    // Direct access for Win32 calls that fill a buffer: GetBuffer makes room for at least
    // minLength characters plus the terminator; ReleaseBuffer sets the length (-1: up to the NUL).
    char* GetBuffer(int minLength);
    char* GetBuffer() { return GetBuffer(GetLength()); }
    void ReleaseBuffer(int newLength = -1);

private:
    std::string m_text;
};

CString operator+(const CString& a, const CString& b);
CString operator+(const CString& a, const char* b);
CString operator+(const char* a, const CString& b);
CString operator+(const CString& a, char b);
CString operator+(char a, const CString& b);

bool operator==(const CString& a, const CString& b);
bool operator==(const CString& a, const char* b);
bool operator==(const char* a, const CString& b);
bool operator!=(const CString& a, const CString& b);
bool operator!=(const CString& a, const char* b);
bool operator!=(const char* a, const CString& b);
bool operator<(const CString& a, const CString& b);
bool operator<(const CString& a, const char* b);
bool operator<(const char* a, const CString& b);
bool operator>(const CString& a, const CString& b);
bool operator<=(const CString& a, const CString& b);
bool operator>=(const CString& a, const CString& b);
