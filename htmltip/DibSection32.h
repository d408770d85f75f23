#pragma once
// CDibSection32: a 32-bit top-down DIB section selected into a memory DC of its own, whose
// pixels the draw manager reads and changes (0xAARRGGBB, top row first). Made for one call and
// freed at once; owns both. Sides are refused as CPackedDib refuses them (IsValid() false).
// One thread at a time.
//
// ReadBitmapPixels: any bitmap's pixels in that format, at its own size.

#include <cstdint>
#include <vector>

#include <windows.h>

class CDibSection32 {
public:
    CDibSection32(int width, int height);
    ~CDibSection32();
    CDibSection32(const CDibSection32&) = delete;
    CDibSection32& operator=(const CDibSection32&) = delete;

    bool IsValid() const { return m_pixels != nullptr; }
    HDC Dc() const { return m_dc; }
    HBITMAP Bitmap() const { return m_bitmap; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    size_t Count() const { return size_t(m_width) * size_t(m_height); }
    // The pixels, after GDI has finished drawing into them.
    uint32_t* Pixels();

    // The area of `source` at (x, y), the section's size, into the section.
    bool CopyFrom(HDC source, int x, int y);
    // The whole section to (x, y) of `dest`.
    bool CopyTo(HDC dest, int x, int y, DWORD rop = SRCCOPY) const;

private:
    int m_width;
    int m_height;
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_old = nullptr;
    uint32_t* m_pixels = nullptr; // owned by m_bitmap
};

// A new bitmap (the caller's) holding 32-bit top-down `pixels` of width x height, selected into
// no DC: a top-down 32-bit DIB section for `bitsPerPixel` 32, a monochrome bitmap (white where a
// pixel is nearer white) for 1. Null on failure or refused sides.
HBITMAP CreatePixelBitmap(const uint32_t* pixels, int width, int height, int bitsPerPixel);

// The pixels of `bitmap` (not selected into any DC) as 32-bit, top row first, and its size.
// False for a null or unreadable bitmap, or one of refused sides.
bool ReadBitmapPixels(HBITMAP bitmap, std::vector<uint32_t>* pixels, int* width, int* height);
