#include "htmltip/DibSection32.h"

#include <cstdlib>
#include <cstring>

#include "htmltip/portable/PackedDib.h"

namespace {
BITMAPINFO TopDown32(int width, int height)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}
} // namespace

CDibSection32::CDibSection32(int width, int height) : m_width(width), m_height(height)
{
    uint32_t line = 0;
    uint32_t image = 0;
    if (!DibRowBytes(width, height, 32, &line, &image))
        return;
    m_dc = ::CreateCompatibleDC(nullptr);
    if (!m_dc)
        return;
    const BITMAPINFO info = TopDown32(width, height);
    void* bits = nullptr;
    m_bitmap = ::CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!m_bitmap || !bits)
        return;
    m_old = ::SelectObject(m_dc, m_bitmap);
    if (m_old && m_old != HGDI_ERROR)
        m_pixels = static_cast<uint32_t*>(bits);
}

CDibSection32::~CDibSection32()
{
    if (m_old && m_old != HGDI_ERROR)
        ::SelectObject(m_dc, m_old);
    if (m_bitmap)
        ::DeleteObject(m_bitmap);
    if (m_dc)
        ::DeleteDC(m_dc);
}

uint32_t* CDibSection32::Pixels()
{
    ::GdiFlush();
    return m_pixels;
}

bool CDibSection32::CopyFrom(HDC source, int x, int y)
{
    return IsValid() && ::BitBlt(m_dc, 0, 0, m_width, m_height, source, x, y, SRCCOPY) != FALSE;
}

bool CDibSection32::CopyTo(HDC dest, int x, int y, DWORD rop) const
{
    return IsValid() && ::BitBlt(dest, x, y, m_width, m_height, m_dc, 0, 0, rop) != FALSE;
}

HBITMAP CreatePixelBitmap(const uint32_t* pixels, int width, int height, int bitsPerPixel)
{
    uint32_t line = 0;
    uint32_t image = 0;
    if (!pixels || !DibRowBytes(width, height, 32, &line, &image) || (bitsPerPixel != 32 && bitsPerPixel != 1))
        return nullptr;
    const BITMAPINFO info = TopDown32(width, height);
    HBITMAP bitmap = nullptr;
    if (bitsPerPixel == 32) {
        void* bits = nullptr;
        bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (bitmap && bits)
            std::memcpy(bits, pixels, image);
        return bitmap;
    }
    bitmap = ::CreateBitmap(width, height, 1, 1, nullptr);
    HDC screen = ::GetDC(nullptr);
    const int rows = bitmap ? ::SetDIBits(screen, bitmap, 0, UINT(height), pixels, &info, DIB_RGB_COLORS) : 0;
    ::ReleaseDC(nullptr, screen);
    if (bitmap && rows != height) {
        ::DeleteObject(bitmap);
        bitmap = nullptr;
    }
    return bitmap;
}

bool ReadBitmapPixels(HBITMAP bitmap, std::vector<uint32_t>* pixels, int* width, int* height)
{
    BITMAP about = {};
    if (!bitmap || ::GetObject(bitmap, sizeof about, &about) == 0)
        return false;
    const int w = about.bmWidth;
    const int h = std::abs(about.bmHeight);
    uint32_t line = 0;
    uint32_t image = 0;
    if (!DibRowBytes(w, h, 32, &line, &image))
        return false;
    pixels->assign(size_t(w) * size_t(h), 0);
    BITMAPINFO info = TopDown32(w, h);
    HDC screen = ::GetDC(nullptr);
    const int rows = ::GetDIBits(screen, bitmap, 0, UINT(h), pixels->data(), &info, DIB_RGB_COLORS);
    ::ReleaseDC(nullptr, screen);
    if (rows != h)
        return false;
    *width = w;
    *height = h;
    return true;
}
