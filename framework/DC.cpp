#include "framework/DC.h"

CDC::~CDC()
{
    DeleteDC();
}

bool CDC::Attach(HDC dc)
{
    if (m_hDC || !dc)
        return false;
    m_hDC = dc;
    m_owned = false;
    return true;
}

HDC CDC::Detach()
{
    HDC dc = m_hDC;
    m_hDC = nullptr;
    m_owned = false;
    return dc;
}

bool CDC::CreateCompatibleDC(HDC reference)
{
    if (m_hDC)
        return false;
    m_hDC = ::CreateCompatibleDC(reference);
    m_owned = m_hDC != nullptr;
    return m_owned;
}

bool CDC::DeleteDC()
{
    if (!m_hDC)
        return false;
    const bool deleted = !m_owned || ::DeleteDC(m_hDC) != FALSE;
    m_hDC = nullptr;
    m_owned = false;
    return deleted;
}

CPoint CDC::SetWindowOrg(int x, int y)
{
    POINT old = {};
    ::SetWindowOrgEx(m_hDC, x, y, &old);
    return old;
}

CPoint CDC::SetViewportOrg(int x, int y)
{
    POINT old = {};
    ::SetViewportOrgEx(m_hDC, x, y, &old);
    return old;
}

bool CDC::TextOut(int x, int y, const char* text, int length)
{
    return ::TextOutA(m_hDC, x, y, text, length) != FALSE;
}

bool CDC::TextOutW(int x, int y, const wchar_t* text, int length)
{
    return ::TextOutW(m_hDC, x, y, text, length) != FALSE;
}

bool CDC::ExtTextOut(int x, int y, UINT options, const RECT* rect, const char* text, int length)
{
    return ::ExtTextOutA(m_hDC, x, y, options, rect, text, static_cast<UINT>(length), nullptr) != FALSE;
}

bool CDC::ExtTextOutW(int x, int y, UINT options, const RECT* rect, const wchar_t* text, int length)
{
    return ::ExtTextOutW(m_hDC, x, y, options, rect, text, static_cast<UINT>(length), nullptr) != FALSE;
}

int CDC::DrawText(const char* text, int length, RECT* rect, UINT format)
{
    return ::DrawTextA(m_hDC, text, length, rect, format);
}

int CDC::DrawTextW(const wchar_t* text, int length, RECT* rect, UINT format)
{
    return ::DrawTextW(m_hDC, text, length, rect, format);
}

CSize CDC::GetTextExtent(const char* text, int length) const
{
    SIZE size = {};
    ::GetTextExtentPoint32A(m_hDC, text, length, &size);
    return size;
}

CSize CDC::GetTextExtentW(const wchar_t* text, int length) const
{
    SIZE size = {};
    ::GetTextExtentPoint32W(m_hDC, text, length, &size);
    return size;
}

void CDC::FillSolidRect(const RECT& rect, COLORREF colour)
{
    // ExtTextOut with an opaque rectangle fills with the background colour and no brush.
    const COLORREF old = ::SetBkColor(m_hDC, colour);
    ::ExtTextOutA(m_hDC, 0, 0, ETO_OPAQUE, &rect, nullptr, 0, nullptr);
    ::SetBkColor(m_hDC, old);
}

CPoint CDC::MoveTo(int x, int y)
{
    POINT old = {};
    ::MoveToEx(m_hDC, x, y, &old);
    return old;
}
