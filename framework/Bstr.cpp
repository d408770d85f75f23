#include "framework/Bstr.h"

#include <cstring>
#include <cwchar>

namespace {

std::wstring ToWide(UINT codePage, const char* text, int length)
{
    if (!text)
        return std::wstring();
    if (length < 0)
        length = static_cast<int>(std::strlen(text));
    if (length == 0)
        return std::wstring();
    const int needed = MultiByteToWideChar(codePage, 0, text, length, nullptr, 0);
    if (needed <= 0)
        return std::wstring();
    std::wstring out(static_cast<std::size_t>(needed), L'\0');
    MultiByteToWideChar(codePage, 0, text, length, &out[0], needed);
    return out;
}

std::string FromWide(UINT codePage, const wchar_t* text, int length)
{
    if (!text)
        return std::string();
    if (length < 0)
        length = static_cast<int>(std::wcslen(text));
    if (length == 0)
        return std::string();
    const int needed = WideCharToMultiByte(codePage, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0)
        return std::string();
    std::string out(static_cast<std::size_t>(needed), '\0');
    WideCharToMultiByte(codePage, 0, text, length, &out[0], needed, nullptr, nullptr);
    return out;
}

BSTR Allocate(const std::wstring& text)
{
    return SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
}

} // namespace

std::wstring AnsiToWide(const char* text, int length)
{
    return ToWide(CP_ACP, text, length);
}
CString WideToAnsi(const wchar_t* text, int length)
{
    return CString(FromWide(CP_ACP, text, length));
}
std::string WideToUtf8(const wchar_t* text, int length)
{
    return FromWide(CP_UTF8, text, length);
}
std::wstring Utf8ToWide(const char* text, int length)
{
    return ToWide(CP_UTF8, text, length);
}

CBstr::CBstr(const wchar_t* text) : m_bstr(text ? SysAllocString(text) : nullptr) {}

CBstr::CBstr(const char* ansi) : m_bstr(ansi ? Allocate(AnsiToWide(ansi)) : nullptr) {}

CBstr CBstr::FromUtf8(const char* utf8, int length)
{
    CBstr b;
    if (utf8)
        b.m_bstr = Allocate(Utf8ToWide(utf8, length));
    return b;
}

CBstr::CBstr(const CBstr& other)
    : m_bstr(other.m_bstr ? SysAllocStringLen(other.m_bstr, SysStringLen(other.m_bstr)) : nullptr)
{}

CBstr& CBstr::operator=(CBstr other) noexcept
{
    BSTR t = m_bstr;
    m_bstr = other.m_bstr;
    other.m_bstr = t;
    return *this;
}

CString CBstr::ToAnsi() const
{
    return m_bstr ? WideToAnsi(m_bstr, static_cast<int>(Length())) : CString();
}

std::string CBstr::ToUtf8() const
{
    return m_bstr ? WideToUtf8(m_bstr, static_cast<int>(Length())) : std::string();
}

void CBstr::Free()
{
    if (m_bstr) {
        SysFreeString(m_bstr);
        m_bstr = nullptr;
    }
}
