#pragma once
// BCMenuMemDC: draws one rectangle of a device context off-screen. Drawing goes to a memory
// context of the rectangle's size whose window origin is the rectangle's top left, so the same
// co-ordinates serve; the destructor copies it back (SRCCOPY). A printer's context is drawn
// straight through. The target must outlive the object.

#include <windows.h>

#include "framework/Bitmap.h"
#include "framework/DC.h"
#include "framework/Rect.h"

class BCMenuMemDC : public CDC {
public:
    BCMenuMemDC(HDC target, const RECT& rect);
    ~BCMenuMemDC() override;
    BCMenuMemDC(const BCMenuMemDC&) = delete;
    BCMenuMemDC& operator=(const BCMenuMemDC&) = delete;

    bool IsOffScreen() const { return m_old != nullptr; }

private:
    HDC m_target;
    CRect m_rect;
    CBitmap m_bitmap;
    HGDIOBJ m_old = nullptr; // the memory context's own bitmap, put back before deletion
};
