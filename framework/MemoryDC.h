#pragma once
// CMemoryDC: an off-screen surface: a memory DC with its own compatible bitmap selected, both
// owned. The bitmap is deselected before either is deleted. Draw into it, then BlitTo a target.

#include <windows.h>

#include "framework/Bitmap.h"
#include "framework/DC.h"

class CMemoryDC : public CDC {
public:
    // A surface of width x height in the format of `reference` (null: the screen). IsValid()
    // says whether it could be made.
    CMemoryDC(HDC reference, int width, int height);
    ~CMemoryDC() override;

    bool IsValid() const { return m_hDC && m_old; }
    HBITMAP GetBitmap() const { return m_bitmap; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    // Copies the whole surface to (x, y) of `target`.
    bool BlitTo(HDC target, int x, int y) const
    {
        return ::BitBlt(target, x, y, m_width, m_height, m_hDC, 0, 0, SRCCOPY) != FALSE;
    }

private:
    CBitmap m_bitmap;
    HGDIOBJ m_old = nullptr; // the DC's own bitmap, put back before deletion
    int m_width;
    int m_height;
};
