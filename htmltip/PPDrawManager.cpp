// CPPDrawManager: fills, frames, lines, tiles and mixed areas. Images, icons and shadows are in
// PPDrawManagerImages.cpp.
#include "htmltip/PPDrawManager.h"

#include <algorithm>

#include "framework/Brush.h"
#include "framework/DCGuards.h"
#include "framework/Pen.h"
#include "htmltip/DibSection32.h"

namespace {
constexpr int STYLE_NONE = 0;
constexpr int STYLE_DOUBLE = 6;

int PenStyle(int style)
{
    switch (style) {
    case 2:
        return PS_DASH;
    case 3:
        return PS_DOT;
    case 4:
        return PS_DASHDOT;
    case 5:
        return PS_DASHDOTDOT;
    default:
        return PS_SOLID;
    }
}

// A pen of the style; wider than a pixel a cosmetic pen would draw dashes solid, so those are
// geometric (square ends, which close a frame's corners).
HPEN MakePen(int style, int width, COLORREF colour)
{
    const int penStyle = PenStyle(style);
    if (width <= 1 || penStyle == PS_SOLID)
        return ::CreatePen(penStyle, width, colour);
    LOGBRUSH brush = {BS_SOLID, colour, 0};
    return ::ExtCreatePen(PS_GEOMETRIC | penStyle | PS_ENDCAP_SQUARE | PS_JOIN_MITER, DWORD(width), &brush, 0, nullptr);
}

void FillSolid(HDC dc, const RECT& rect, COLORREF colour)
{
    CBrush brush(colour);
    if (brush.GetSafeHandle())
        ::FillRect(dc, &rect, brush);
}

// One frame whose pen runs along the inside of `r`, already inset by half the pen.
void Frame(HDC dc, const RECT& r, HPEN topLeft, HPEN bottomRight)
{
    if (r.right - 1 < r.left || r.bottom - 1 < r.top)
        return;
    {
        CSelectGuard pen(dc, topLeft);
        ::MoveToEx(dc, r.left, r.bottom - 1, nullptr);
        ::LineTo(dc, r.left, r.top);
        ::LineTo(dc, r.right - 1, r.top);
    }
    CSelectGuard pen(dc, bottomRight);
    ::MoveToEx(dc, r.right - 1, r.top, nullptr);
    ::LineTo(dc, r.right - 1, r.bottom - 1);
    ::LineTo(dc, r.left, r.bottom - 1);
}
} // namespace

CPPDrawManager::CPPDrawManager() : m_random(::GetTickCount()) {}

CPPDrawManager::~CPPDrawManager() = default;

void CPPDrawManager::FillEffect(HDC dc, int effect, const RECT& rect, COLORREF begin, COLORREF middle, COLORREF end,
                                BYTE granularity, int blendPercent)
{
    if (!dc || rect.right <= rect.left || rect.bottom <= rect.top)
        return;
    if (IsGradientEffect(effect)) {
        for (const SFillPiece& p :
             GradientPieces(effect, rect.left, rect.top, rect.right, rect.bottom, begin, middle, end))
            FillSolid(dc, RECT{p.left, p.top, p.right, p.bottom}, p.colour);
        return;
    }
    if (!IsTextureEffect(effect)) {
        FillSolid(dc, rect, begin);
        return;
    }
    // A rectangle too large for a canvas is refused by Create and draws nothing.
    if (!m_canvas.Create(rect.right - rect.left, rect.bottom - rect.top, 8))
        return;
    SetTexturePalette(m_canvas, begin, middle, end, blendPercent);
    GenerateTexture(m_canvas, effect, granularity, m_random);
    m_canvas.Draw(dc, rect.left, rect.top);
}

void CPPDrawManager::DrawRectangle(HDC dc, const RECT& rect, COLORREF topLeft, COLORREF bottomRight, int style,
                                   int width)
{
    if (!dc || style == STYLE_NONE || width <= 0)
        return;
    CPen light;
    light.Attach(MakePen(style, width, topLeft));
    CPen dark;
    if (bottomRight != topLeft)
        dark.Attach(MakePen(style, width, bottomRight));
    HPEN darkPen = dark.GetSafeHandle() ? static_cast<HPEN>(dark) : static_cast<HPEN>(light);
    RECT r = rect;
    ::InflateRect(&r, -(width / 2), -(width / 2));
    Frame(dc, r, light, darkPen);
    if (style == STYLE_DOUBLE) {
        ::InflateRect(&r, -2 * width, -2 * width);
        Frame(dc, r, light, darkPen);
    }
}

void CPPDrawManager::DrawRectangle(HDC dc, int left, int top, int right, int bottom, COLORREF topLeft,
                                   COLORREF bottomRight, int style, int width)
{
    DrawRectangle(dc, RECT{left, top, right, bottom}, topLeft, bottomRight, style, width);
}

void CPPDrawManager::DrawLine(HDC dc, int x1, int y1, int x2, int y2, COLORREF colour, int style, int width)
{
    if (!dc || style == STYLE_NONE || width <= 0)
        return;
    CPen pen;
    pen.Attach(MakePen(style, width, colour));
    CSelectGuard selected(dc, pen);
    ::MoveToEx(dc, x1, y1, nullptr);
    ::LineTo(dc, x2, y2);
    if (style == STYLE_DOUBLE) {
        const bool horizontal = y1 == y2;
        const int dx = horizontal ? 0 : 2 * width;
        const int dy = horizontal ? 2 * width : 0;
        ::MoveToEx(dc, x1 + dx, y1 + dy, nullptr);
        ::LineTo(dc, x2 + dx, y2 + dy);
    }
}

void CPPDrawManager::TileBitmap(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                                int tileWidth, int tileHeight)
{
    if (!dest || !source || tileWidth <= 0 || tileHeight <= 0 || width <= 0 || height <= 0)
        return;
    for (int top = 0; top < height; top += tileHeight) {
        const int h = std::min(tileHeight, height - top);
        for (int left = 0; left < width; left += tileWidth) {
            const int w = std::min(tileWidth, width - left);
            ::BitBlt(dest, x + left, y + top, w, h, source, sourceX, sourceY, SRCCOPY);
        }
    }
}

void CPPDrawManager::AlphaBitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                                 int percent)
{
    if (!dest || !source || width <= 0 || height <= 0)
        return;
    if (percent >= 100) {
        ::BitBlt(dest, x, y, width, height, source, sourceX, sourceY, SRCCOPY);
        return;
    }
    CDibSection32 under(width, height);
    CDibSection32 over(width, height);
    if (!under.CopyFrom(dest, x, y) || !over.CopyFrom(source, sourceX, sourceY))
        return;
    MixByPercent(under.Pixels(), over.Pixels(), under.Count(), percent);
    under.CopyTo(dest, x, y);
}
