#pragma once
// CCeXDib: the packed palette bitmap of htmltip/portable/PackedDib.h, drawn on a device context
// through a DIB section. The draw manager keeps one as the canvas of its texture fills.
//
// The DIB section and its memory DC are made at the first Draw after a Create and kept until
// the next Create or the destructor; every Draw copies the rows and the palette in again, so a canvas changed
// after a draw shows its new pixels. Owns all three. One thread at a time.

#include <windows.h>

#include "htmltip/portable/PackedDib.h"

class CCeXDib : public CPackedDib {
public:
    CCeXDib() = default;
    ~CCeXDib() override;

    // Frees the section and memory DC too (then as CPackedDib::Create).
    uint8_t* Create(int width, int height, int bitsPerPixel);
    // Copies width x height to (x, y) of `dc`. False when empty, or when the section or the
    // memory DC cannot be made (nothing is drawn).
    bool Draw(HDC dc, int x, int y);

private:
    void FreeSection();

    HBITMAP m_section = nullptr;   // owned
    void* m_sectionBits = nullptr; // owned by m_section
    HDC m_memoryDc = nullptr;      // owned; holds m_section while it lives
    HGDIOBJ m_oldBitmap = nullptr; // the memory DC's own, put back before deletion
};
