#include "framework/String.h"

#include "framework/AppState.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

const char kWhiteSpace[] = " \t\r\n\v\f";

// Clamp a position into [0, length].
std::size_t ClampPos(int pos, std::size_t length)
{
    if (pos <= 0)
        return 0;
    return std::min(static_cast<std::size_t>(pos), length);
}

std::size_t ClampCount(int count, std::size_t available)
{
    if (count <= 0)
        return 0;
    return std::min(static_cast<std::size_t>(count), available);
}

int ToPos(std::size_t pos)
{
    return pos == std::string::npos ? -1 : static_cast<int>(pos);
}

} // namespace

CString::CString(const char* text) : m_text(text ? text : "") {}

CString::CString(const char* text, int count)
{
    if (text && count > 0)
        m_text.assign(text, strnlen(text, static_cast<std::size_t>(count)));
}

CString::CString(char ch, int repeat)
{
    if (repeat > 0)
        m_text.assign(static_cast<std::size_t>(repeat), ch);
}

CString& CString::operator=(const char* text)
{
    m_text = text ? text : "";
    return *this;
}

CString& CString::operator=(char ch)
{
    m_text.assign(1, ch);
    return *this;
}

char CString::GetAt(int index) const
{
    if (index < 0 || static_cast<std::size_t>(index) >= m_text.size())
        return '\0';
    return m_text[static_cast<std::size_t>(index)];
}

void CString::SetAt(int index, char ch)
{
    if (index >= 0 && static_cast<std::size_t>(index) < m_text.size())
        m_text[static_cast<std::size_t>(index)] = ch;
}

CString& CString::operator+=(const char* text)
{
    if (text)
        m_text += text;
    return *this;
}

void CString::Append(const char* text, int count)
{
    if (text && count > 0)
        m_text.append(text, static_cast<std::size_t>(count));
}

int CString::Compare(const char* text) const
{
    return std::strcmp(m_text.c_str(), text ? text : "");
}

int CString::CompareNoCase(const char* text) const
{
    return _stricmp(m_text.c_str(), text ? text : "");
}

int CString::Find(char ch, int start) const
{
    if (start < 0)
        start = 0;
    return ToPos(m_text.find(ch, static_cast<std::size_t>(start)));
}

int CString::Find(const char* text, int start) const
{
    if (!text || start < 0 || static_cast<std::size_t>(start) > m_text.size())
        return -1;
    return ToPos(m_text.find(text, static_cast<std::size_t>(start)));
}

int CString::ReverseFind(char ch) const
{
    return ToPos(m_text.rfind(ch));
}

int CString::FindOneOf(const char* chars) const
{
    if (!chars || !*chars)
        return -1;
    return ToPos(m_text.find_first_of(chars));
}

CString CString::Mid(int first) const
{
    std::size_t from = ClampPos(first, m_text.size());
    return CString(m_text.substr(from));
}

CString CString::Mid(int first, int count) const
{
    std::size_t from = ClampPos(first, m_text.size());
    return CString(m_text.substr(from, ClampCount(count, m_text.size() - from)));
}

CString CString::Left(int count) const
{
    return CString(m_text.substr(0, ClampCount(count, m_text.size())));
}

CString CString::Right(int count) const
{
    std::size_t n = ClampCount(count, m_text.size());
    return CString(m_text.substr(m_text.size() - n));
}

int CString::Replace(char from, char to)
{
    int n = 0;
    for (char& c : m_text) {
        if (c == from) {
            c = to;
            ++n;
        }
    }
    return n;
}

int CString::Replace(const char* from, const char* to)
{
    if (!from || !*from)
        return 0;
    const std::size_t fromLen = std::strlen(from);
    const std::string replacement = to ? to : "";
    std::string out;
    int n = 0;
    std::size_t pos = 0;
    for (std::size_t hit; (hit = m_text.find(from, pos)) != std::string::npos; pos = hit + fromLen) {
        out.append(m_text, pos, hit - pos);
        out += replacement;
        ++n;
    }
    if (n) {
        out.append(m_text, pos, std::string::npos);
        m_text.swap(out);
    }
    return n;
}

int CString::Remove(char ch)
{
    const std::size_t before = m_text.size();
    m_text.erase(std::remove(m_text.begin(), m_text.end(), ch), m_text.end());
    return static_cast<int>(before - m_text.size());
}

int CString::Insert(int index, const char* text)
{
    if (text)
        m_text.insert(ClampPos(index, m_text.size()), text);
    return GetLength();
}

int CString::Delete(int index, int count)
{
    std::size_t from = ClampPos(index, m_text.size());
    m_text.erase(from, ClampCount(count, m_text.size() - from));
    return GetLength();
}

CString& CString::MakeUpper()
{
    if (!m_text.empty())
        CharUpperBuffA(&m_text[0], static_cast<DWORD>(m_text.size()));
    return *this;
}

CString& CString::MakeLower()
{
    if (!m_text.empty())
        CharLowerBuffA(&m_text[0], static_cast<DWORD>(m_text.size()));
    return *this;
}

CString& CString::TrimLeft()
{
    return TrimLeft(kWhiteSpace);
}
CString& CString::TrimRight()
{
    return TrimRight(kWhiteSpace);
}
CString& CString::Trim()
{
    return TrimRight().TrimLeft();
}

CString& CString::Trim(const char* chars)
{
    return TrimRight(chars).TrimLeft(chars);
}

CString& CString::TrimLeft(const char* chars)
{
    if (chars)
        m_text.erase(0, std::min(m_text.find_first_not_of(chars), m_text.size()));
    return *this;
}

CString& CString::TrimRight(const char* chars)
{
    if (chars) {
        std::size_t last = m_text.find_last_not_of(chars);
        m_text.erase(last == std::string::npos ? 0 : last + 1);
    }
    return *this;
}

void CString::Format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    FormatV(format, args);
    va_end(args);
}

void CString::AppendFormat(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    AppendFormatV(format, args);
    va_end(args);
}

void CString::FormatV(const char* format, va_list args)
{
    m_text.clear();
    AppendFormatV(format, args);
}

void CString::AppendFormatV(const char* format, va_list args)
{
    if (!format)
        return;
    char small[256];
    va_list copy;
    va_copy(copy, args);
    const int needed = std::vsnprintf(small, sizeof small, format, copy);
    va_end(copy);
    if (needed < 0)
        return;
    if (static_cast<std::size_t>(needed) < sizeof small) {
        m_text.append(small, static_cast<std::size_t>(needed));
        return;
    }
    std::vector<char> big(static_cast<std::size_t>(needed) + 1);
    va_copy(copy, args);
    std::vsnprintf(big.data(), big.size(), format, copy);
    va_end(copy);
    m_text.append(big.data(), static_cast<std::size_t>(needed));
}

bool CString::LoadString(UINT id)
{
    // With a zero buffer size LoadStringW hands out a pointer into the resource itself, so a
    // text of any length is read whole. Its length excludes any terminator.
    const wchar_t* resource = nullptr;
    const int wideLength = LoadStringW(AfxGetResourceHandle(), id, reinterpret_cast<LPWSTR>(&resource), 0);
    if (wideLength <= 0 || !resource)
        return false;
    const int length = WideCharToMultiByte(CP_ACP, 0, resource, wideLength, nullptr, 0, nullptr, nullptr);
    if (length <= 0)
        return false;
    std::string text(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, resource, wideLength, &text[0], length, nullptr, nullptr);
    m_text.swap(text);
    return true;
}

char* CString::GetBuffer(int minLength)
{
    if (minLength > GetLength())
        m_text.resize(static_cast<std::size_t>(minLength));
    return &m_text[0];
}

void CString::ReleaseBuffer(int newLength)
{
    if (newLength < 0)
        newLength = static_cast<int>(strnlen(m_text.c_str(), m_text.size()));
    m_text.resize(std::min(static_cast<std::size_t>(newLength), m_text.size()));
}

CString operator+(const CString& a, const CString& b)
{
    return CString(a.str() + b.str());
}
CString operator+(const CString& a, const char* b)
{
    CString r(a);
    r += b;
    return r;
}
CString operator+(const char* a, const CString& b)
{
    CString r(a);
    r += b;
    return r;
}
CString operator+(const CString& a, char b)
{
    CString r(a);
    r += b;
    return r;
}
CString operator+(char a, const CString& b)
{
    CString r(a);
    r += b;
    return r;
}

bool operator==(const CString& a, const CString& b)
{
    return a.str() == b.str();
}
bool operator==(const CString& a, const char* b)
{
    return a.Compare(b) == 0;
}
bool operator==(const char* a, const CString& b)
{
    return b.Compare(a) == 0;
}
bool operator!=(const CString& a, const CString& b)
{
    return !(a == b);
}
bool operator!=(const CString& a, const char* b)
{
    return !(a == b);
}
bool operator!=(const char* a, const CString& b)
{
    return !(a == b);
}
bool operator<(const CString& a, const CString& b)
{
    return a.str() < b.str();
}
bool operator<(const CString& a, const char* b)
{
    return a.Compare(b) < 0;
}
bool operator<(const char* a, const CString& b)
{
    return b.Compare(a) > 0;
}
bool operator>(const CString& a, const CString& b)
{
    return b < a;
}
bool operator<=(const CString& a, const CString& b)
{
    return !(b < a);
}
bool operator>=(const CString& a, const CString& b)
{
    return !(a < b);
}
