#include "htmltip/CeXDib.h"

#include <cstring>

CCeXDib::~CCeXDib()
{
    FreeSection();
}

uint8_t* CCeXDib::Create(int width, int height, int bitsPerPixel)
{
    FreeSection();
    return CPackedDib::Create(width, height, bitsPerPixel);
}

void CCeXDib::FreeSection()
{
    if (m_memoryDc) {
        if (m_oldBitmap)
            ::SelectObject(m_memoryDc, m_oldBitmap);
        ::DeleteDC(m_memoryDc);
    }
    if (m_section)
        ::DeleteObject(m_section);
    m_memoryDc = nullptr;
    m_oldBitmap = nullptr;
    m_section = nullptr;
    m_sectionBits = nullptr;
}

bool CCeXDib::Draw(HDC dc, int x, int y)
{
    if (IsEmpty() || !dc)
        return false;
    if (!m_section) {
        // The packed buffer starts with the header and the palette: a BITMAPINFO.
        const auto* info = reinterpret_cast<const BITMAPINFO*>(GetBuffer());
        m_section = ::CreateDIBSection(dc, info, DIB_RGB_COLORS, &m_sectionBits, nullptr, 0);
        if (m_section && !m_sectionBits) {
            ::DeleteObject(m_section);
            m_section = nullptr;
        }
        if (!m_section)
            return false;
    }
    if (!m_memoryDc) {
        m_memoryDc = ::CreateCompatibleDC(dc);
        if (!m_memoryDc)
            return false;
        m_oldBitmap = ::SelectObject(m_memoryDc, m_section);
    }
    ::GdiFlush();
    std::memcpy(m_sectionBits, GetBits(), GetHeader().sizeImage);
    if (GetNumColors() > 0) {
        // The palette may have changed since the section was made.
        const auto* palette = reinterpret_cast<const RGBQUAD*>(GetBuffer() + sizeof(SDibHeader));
        ::SetDIBColorTable(m_memoryDc, 0, UINT(GetNumColors()), palette);
    }
    return ::BitBlt(dc, x, y, GetWidth(), GetHeight(), m_memoryDc, 0, 0, SRCCOPY) != FALSE;
}
