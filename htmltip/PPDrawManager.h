#pragma once
// CPPDrawManager: the tooltip's drawing effects on a device context: background fills by effect
// id (gradients and generated textures), frames and styled lines, bitmaps and icons with colour
// effects, masks, their own alpha and soft drop shadows, and whole areas mixed by a percentage.
// The arithmetic is portable (htmltip/portable: GradientFill, TextureFill, PixelEffects,
// ShadowFilter); this class moves pixels between GDI and it.
//
// Per-pixel work runs on 32-bit DIB sections made for the call and freed at once. Colours are
// COLORREF. Effect ids are EFillEffect (htmltip/portable/GradientFill.h), effect flags
// EImageEffect (htmltip/portable/PixelEffects.h). Handles passed in stay the caller's; nothing
// is drawn for a null DC, a null handle, or an empty or refused area.
// User-interface thread; owned by the HTML drawer (the tooltip window uses its drawer's).

#include <windows.h>

#include "framework/Size.h"
#include "htmltip/CeXDib.h"
#include "htmltip/portable/GradientFill.h"
#include "htmltip/portable/PixelEffects.h"
#include "htmltip/portable/TextureFill.h"

class CPPDrawManager {
public:
    CPPDrawManager();
    virtual ~CPPDrawManager();
    CPPDrawManager(const CPPDrawManager&) = delete;
    CPPDrawManager& operator=(const CPPDrawManager&) = delete;

    // Fills `rect` by effect id: 1..6 gradients, 7..15 textures (noise of `granularity`,
    // palette blended `blendPercent` towards the begin colour), anything else solid in `begin`.
    void FillEffect(HDC dc, int effect, const RECT& rect, COLORREF begin, COLORREF middle = 0, COLORREF end = 0,
                    BYTE granularity = 0, int blendPercent = 0);

    // A frame with the pen inside the rectangle: left and top in `topLeft`, right and bottom in
    // `bottomRight`. Styles: 2 dashed, 3 dotted, 4 dash-dot, 5 dash-dot-dot, 6 double (a second
    // frame 2 x width further in), else solid; style 0 or a width of 0 or less draws nothing.
    void DrawRectangle(HDC dc, const RECT& rect, COLORREF topLeft, COLORREF bottomRight, int style = 1, int width = 1);
    void DrawRectangle(HDC dc, int left, int top, int right, int bottom, COLORREF topLeft, COLORREF bottomRight,
                       int style = 1, int width = 1);
    // One line in the styles above; double adds a second 2 x width below a horizontal line, to
    // the right of any other.
    void DrawLine(HDC dc, int x1, int y1, int x2, int y2, COLORREF colour, int style = 1, int width = 1);

    // Repeats the tile at (sourceX, sourceY) of `source` over the area, cutting the last row and
    // column to it.
    void TileBitmap(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY, int tileWidth,
                    int tileHeight);

    // `bitmap` stretched to width x height. Masked: pixels of `maskColour` stay unpainted.
    // `effects`: EImageEffect. With `shadow` on, flags 0x100 (plain) or 0x200 (gradient) draw a
    // shadow of the image's shape in `shadowColour` at (x + dx, y + dy) blurred by blurX x blurY;
    // without either flag the image itself moves by (dx, dy). A bitmap with alpha bytes is
    // blended by them.
    void DrawImage(HDC dc, int x, int y, int width, int height, HBITMAP bitmap, bool masked, COLORREF maskColour,
                   DWORD effects = 0, bool shadow = false, int dx = 0, int dy = 0, int blurX = 0, int blurY = 0,
                   COLORREF shadowColour = 0);
    // The same for an icon, its own mask deciding what is shown.
    void DrawIcon(HDC dc, int x, int y, int width, int height, HICON icon, DWORD effects = 0, bool shadow = false,
                  int dx = 0, int dy = 0, int blurX = 0, int blurY = 0, COLORREF shadowColour = 0);
    // Frame `index` (left to right, then top to bottom) of frameWidth x frameHeight cut from a
    // strip and drawn by DrawImage. Nothing for frame sides of 0 or less, a strip holding no
    // whole frame, or an index outside its frames.
    void DrawImageListFrame(HDC dc, int x, int y, int width, int height, HBITMAP strip, int index, int frameWidth,
                            int frameHeight, bool masked, COLORREF maskColour, DWORD effects = 0, bool shadow = false,
                            int dx = 0, int dy = 0, int blurX = 0, int blurY = 0, COLORREF shadowColour = 0);

    // Darkens the area through `mask` (a gray bitmap; white leaves a pixel, black blackens it),
    // read at the area's size; with `gradient` softly, by a box filter of blurX x blurY.
    void DrawShadow(HDC dc, int x, int y, int width, int height, HBITMAP mask, bool gradient, int blurX, int blurY);

    // Mixes the source area over the destination at `percent` (100 or more: a plain copy).
    void AlphaBitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY, int percent);

    // A bitmap's width and height; 0 by 0 for a null or unreadable handle.
    static CSize GetBitmapSize(HBITMAP bitmap);
    // Twice an icon's hot spot in each direction; 0 by 0 for a null handle or a failed query.
    static CSize GetIconSize(HICON icon);
    // A new icon (the caller's, DestroyIcon) of width x height: the old one's mask and colour
    // stretched; null on failure.
    static HICON ResizeIcon(HICON icon, int width, int height);

    // Whether the last image drawn had an alpha channel.
    bool LastImageHadAlpha() const { return m_alpha; }

private:
    void DrawPixels(HDC dc, int x, int y, int width, int height, const uint32_t* source, int sourceWidth,
                    int sourceHeight, const uint8_t* hidden, bool useMaskColour, COLORREF maskColour, DWORD effects,
                    bool shadow, int dx, int dy, int blurX, int blurY, COLORREF shadowColour);

    CCeXDib m_canvas; // the textures' canvas, remade by each texture fill
    CTextureRandom m_random;
    bool m_alpha = false;
};
