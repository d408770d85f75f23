#pragma once
// CTestCanvas: a surface whose pixels a test reads: a 32-bit top-down DIB section selected into
// a memory DC. Wine's own DIB engine draws into it, so the same drawing gives the same pixels on
// every run. Reads flush GDI first (GdiFlush). Test thread only.

#include <initializer_list>

#include <windows.h>

namespace windowtest {

class CTestCanvas {
public:
    // A width x height canvas filled with `fill`. IsValid() says whether it could be made.
    CTestCanvas(int width, int height, COLORREF fill = RGB(255, 255, 255));
    ~CTestCanvas();
    CTestCanvas(const CTestCanvas&) = delete;
    CTestCanvas& operator=(const CTestCanvas&) = delete;

    bool IsValid() const { return m_bits != nullptr; }
    HDC Dc() const { return m_dc; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    RECT All() const { return RECT{0, 0, m_width, m_height}; }

    void Fill(COLORREF colour);
    // The colour at (x, y); CLR_INVALID outside the canvas.
    COLORREF Pixel(int x, int y) const;
    // Pixels of `colour` in `area` (clipped to the canvas).
    int Count(COLORREF colour, const RECT& area) const;
    int Count(COLORREF colour) const { return Count(colour, All()); }
    // Pixels in `area` of none of `colours`.
    int CountOther(std::initializer_list<COLORREF> colours, const RECT& area) const;
    // The first pixel of `colour` in `area`, row by row; false when there is none.
    bool Find(COLORREF colour, const RECT& area, POINT* found = nullptr) const;
    // The smallest rectangle holding every pixel of `colour` (empty when there is none).
    RECT Bounds(COLORREF colour) const;

private:
    RECT Clip(const RECT& area) const;

    int m_width;
    int m_height;
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_old = nullptr;
    const DWORD* m_bits = nullptr; // owned by m_bitmap; 0x00RRGGBB per pixel, top row first
};

} // namespace windowtest
