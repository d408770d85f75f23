#include "framework/MemoryDC.h"

CMemoryDC::CMemoryDC(HDC reference, int width, int height) : m_width(width), m_height(height)
{
    HDC screen = reference ? nullptr : ::GetDC(nullptr);
    HDC format = reference ? reference : screen;
    if (CreateCompatibleDC(format) && m_bitmap.CreateCompatibleBitmap(format, width, height))
        m_old = ::SelectObject(m_hDC, m_bitmap);
    if (screen)
        ::ReleaseDC(nullptr, screen);
}

CMemoryDC::~CMemoryDC()
{
    if (m_old)
        ::SelectObject(m_hDC, m_old);
    DeleteDC();
}
