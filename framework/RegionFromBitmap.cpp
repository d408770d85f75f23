#include "framework/RegionFromBitmap.h"

#include <cstdint>
#include <cstring>
#include <vector>

#include "framework/WindowDCs.h"

namespace {

const DWORD kRectGrowth = 40;

// Rectangles gathered into one RGNDATA block that grows by kRectGrowth at a time.
class CRegionBuilder {
public:
    CRegionBuilder() { Grow(); }

    void Add(LONG left, LONG top, LONG right, LONG bottom)
    {
        if (m_count == m_capacity)
            Grow();
        RECT* rects = Rects();
        SetRect(&rects[m_count], left, top, right, bottom);
        ++m_count;
    }

    HRGN Create()
    {
        RGNDATAHEADER* header = reinterpret_cast<RGNDATAHEADER*>(m_block.data());
        header->dwSize = sizeof(RGNDATAHEADER);
        header->iType = RDH_RECTANGLES;
        header->nCount = m_count;
        header->nRgnSize = m_count * sizeof(RECT);
        SetRectEmpty(&header->rcBound);
        const RECT* rects = Rects();
        for (DWORD i = 0; i < m_count; ++i)
            UnionRect(&header->rcBound, &header->rcBound, &rects[i]);
        return ExtCreateRegion(nullptr, static_cast<DWORD>(sizeof(RGNDATAHEADER) + m_count * sizeof(RECT)),
                               reinterpret_cast<const RGNDATA*>(m_block.data()));
    }

private:
    RECT* Rects() { return reinterpret_cast<RECT*>(m_block.data() + sizeof(RGNDATAHEADER)); }

    void Grow()
    {
        m_capacity += kRectGrowth;
        m_block.resize(sizeof(RGNDATAHEADER) + m_capacity * sizeof(RECT));
    }

    std::vector<unsigned char> m_block;
    DWORD m_count = 0;
    DWORD m_capacity = 0;
};

} // namespace

HRGN RegionFromBitmapMask(HBITMAP bitmap, COLORREF transparent)
{
    BITMAP info;
    if (!bitmap || !GetObjectA(bitmap, sizeof info, &info))
        return nullptr;
    const int bits = info.bmBitsPixel;
    if (bits < 16 || info.bmWidth <= 0 || info.bmHeight <= 0)
        return nullptr;
    const int width = info.bmWidth;
    const int height = info.bmHeight;

    // Bottom-up rows at the bitmap's own depth; 16-bit pixels come out in 5-5-5 form.
    BITMAPINFO header;
    std::memset(&header, 0, sizeof header);
    header.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    header.bmiHeader.biWidth = width;
    header.bmiHeader.biHeight = height;
    header.bmiHeader.biPlanes = 1;
    header.bmiHeader.biBitCount = static_cast<WORD>(bits);
    header.bmiHeader.biCompression = BI_RGB;
    const std::size_t stride = ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4;
    std::vector<unsigned char> pixels(stride * static_cast<std::size_t>(height));
    {
        CClientDC screen(nullptr);
        if (!screen.GetSafeHdc() ||
            GetDIBits(screen, bitmap, 0, static_cast<UINT>(height), pixels.data(), &header, DIB_RGB_COLORS) != height)
            return nullptr;
    }

    // A DIB pixel stores blue in its lowest byte, red in its highest colour byte.
    const std::uint32_t red = GetRValue(transparent);
    const std::uint32_t green = GetGValue(transparent);
    const std::uint32_t blue = GetBValue(transparent);
    std::uint32_t key;
    std::uint32_t mask;
    if (bits == 16) {
        key = ((red >> 3) << 10) | ((green >> 3) << 5) | (blue >> 3);
        mask = 0x7FFF;
    } else {
        key = (red << 16) | (green << 8) | blue;
        mask = 0xFFFFFF; // the fourth byte of a 32-bit pixel is not colour
    }
    const int bytesPerPixel = bits / 8;

    CRegionBuilder region;
    for (int row = 0; row < height; ++row) {
        const unsigned char* line = pixels.data() + stride * static_cast<std::size_t>(row);
        const LONG y = height - 1 - row;
        int runStart = -1;
        for (int x = 0; x < width; ++x) {
            std::uint32_t pixel = 0;
            std::memcpy(&pixel, line + x * bytesPerPixel, static_cast<std::size_t>(bytesPerPixel));
            const bool opaque = (pixel & mask) != key;
            if (opaque && runStart < 0)
                runStart = x;
            else if (!opaque && runStart >= 0) {
                region.Add(runStart, y, x, y + 1);
                runStart = -1;
            }
        }
        if (runStart >= 0)
            region.Add(runStart, y, width, y + 1);
    }
    return region.Create();
}
