#include "window/Canvas.h"

#include <algorithm>

namespace windowtest {

namespace {

COLORREF FromPixel(DWORD pixel)
{
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

} // namespace

CTestCanvas::CTestCanvas(int width, int height, COLORREF fill) : m_width(width), m_height(height)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    m_dc = CreateCompatibleDC(nullptr);
    m_bitmap = CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!m_dc || !m_bitmap)
        return;
    m_old = SelectObject(m_dc, m_bitmap);
    m_bits = static_cast<const DWORD*>(bits);
    Fill(fill);
}

CTestCanvas::~CTestCanvas()
{
    if (m_old)
        SelectObject(m_dc, m_old);
    if (m_bitmap)
        DeleteObject(m_bitmap);
    if (m_dc)
        DeleteDC(m_dc);
}

void CTestCanvas::Fill(COLORREF colour)
{
    HBRUSH brush = CreateSolidBrush(colour);
    RECT all = All();
    FillRect(m_dc, &all, brush);
    DeleteObject(brush);
}

COLORREF CTestCanvas::Pixel(int x, int y) const
{
    if (!m_bits || x < 0 || y < 0 || x >= m_width || y >= m_height)
        return CLR_INVALID;
    GdiFlush();
    return FromPixel(m_bits[y * m_width + x]);
}

RECT CTestCanvas::Clip(const RECT& area) const
{
    RECT all = All();
    RECT clipped = {};
    if (!m_bits || !IntersectRect(&clipped, &area, &all))
        return RECT{0, 0, 0, 0};
    return clipped;
}

int CTestCanvas::Count(COLORREF colour, const RECT& area) const
{
    const RECT r = Clip(area);
    GdiFlush();
    int count = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            count += FromPixel(m_bits[y * m_width + x]) == colour;
    return count;
}

int CTestCanvas::CountOther(std::initializer_list<COLORREF> colours, const RECT& area) const
{
    const RECT r = Clip(area);
    GdiFlush();
    int count = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            count += std::find(colours.begin(), colours.end(), FromPixel(m_bits[y * m_width + x])) == colours.end();
    return count;
}

bool CTestCanvas::Find(COLORREF colour, const RECT& area, POINT* found) const
{
    const RECT r = Clip(area);
    GdiFlush();
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            if (FromPixel(m_bits[y * m_width + x]) == colour) {
                if (found)
                    *found = POINT{x, y};
                return true;
            }
    return false;
}

RECT CTestCanvas::Bounds(COLORREF colour) const
{
    RECT box = {m_width, m_height, 0, 0};
    GdiFlush();
    for (int y = 0; m_bits && y < m_height; ++y)
        for (int x = 0; x < m_width; ++x)
            if (FromPixel(m_bits[y * m_width + x]) == colour) {
                box.left = std::min<LONG>(box.left, x);
                box.top = std::min<LONG>(box.top, y);
                box.right = std::max<LONG>(box.right, x + 1);
                box.bottom = std::max<LONG>(box.bottom, y + 1);
            }
    if (box.right == 0)
        return RECT{0, 0, 0, 0};
    return box;
}

} // namespace windowtest
