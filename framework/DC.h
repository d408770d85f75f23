#pragma once
// CDC: one device context, either owned (made by CreateCompatibleDC, deleted with the object)
// or borrowed (attached; whoever made it releases it). Thin: each member is the Win32 call of
// the same name on the held HDC. CPaintDC, CClientDC and CWindowDC (framework/WindowDCs.h) and
// CMemoryDC (framework/MemoryDC.h) derive from it.
//
// Select objects through CSelectGuard and save state through CSaveDCGuard
// (framework/DCGuards.h). Not copyable. Used by one thread at a time.

#include <windows.h>

#include "framework/Point.h"
#include "framework/Rect.h"
#include "framework/Size.h"

class CDC {
public:
    CDC() = default;
    virtual ~CDC();
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    HDC m_hDC = nullptr;

    HDC GetSafeHdc() const { return m_hDC; }
    operator HDC() const { return m_hDC; }

    // Borrows `dc` (false when one is held already or it is null); Detach gives it back.
    bool Attach(HDC dc);
    HDC Detach();
    // An owned memory DC compatible with `reference` (null: the screen).
    bool CreateCompatibleDC(HDC reference);
    // Deletes an owned DC, or lets go of a borrowed one.
    bool DeleteDC();

    // --- State --------------------------------------------------------------------------------
    int SaveDC() { return ::SaveDC(m_hDC); }
    bool RestoreDC(int saved) { return ::RestoreDC(m_hDC, saved) != FALSE; }
    HGDIOBJ SelectObject(HGDIOBJ object) { return ::SelectObject(m_hDC, object); }
    int SelectClipRgn(HRGN region) { return ::SelectClipRgn(m_hDC, region); }
    int IntersectClipRect(const RECT& rect)
    {
        return ::IntersectClipRect(m_hDC, rect.left, rect.top, rect.right, rect.bottom);
    }
    int ExcludeClipRect(const RECT& rect)
    {
        return ::ExcludeClipRect(m_hDC, rect.left, rect.top, rect.right, rect.bottom);
    }
    int GetClipBox(RECT* rect) const { return ::GetClipBox(m_hDC, rect); }
    COLORREF SetTextColor(COLORREF colour) { return ::SetTextColor(m_hDC, colour); }
    COLORREF GetTextColor() const { return ::GetTextColor(m_hDC); }
    COLORREF SetBkColor(COLORREF colour) { return ::SetBkColor(m_hDC, colour); }
    COLORREF GetBkColor() const { return ::GetBkColor(m_hDC); }
    int SetBkMode(int mode) { return ::SetBkMode(m_hDC, mode); }
    int SetStretchBltMode(int mode) { return ::SetStretchBltMode(m_hDC, mode); }
    CPoint SetWindowOrg(int x, int y);
    CPoint SetViewportOrg(int x, int y);
    int GetDeviceCaps(int index) const { return ::GetDeviceCaps(m_hDC, index); }
    // True for a printer's context (drawing then goes straight through, never off-screen).
    bool IsPrinting() const { return m_hDC && GetDeviceCaps(TECHNOLOGY) == DT_RASPRINTER; }

    // --- Text (8-bit ANSI and UTF-16) ---------------------------------------------------------
    bool TextOut(int x, int y, const char* text, int length);
    bool TextOutW(int x, int y, const wchar_t* text, int length);
    bool ExtTextOut(int x, int y, UINT options, const RECT* rect, const char* text, int length);
    bool ExtTextOutW(int x, int y, UINT options, const RECT* rect, const wchar_t* text, int length);
    // length -1: up to the terminator. Returns the text's height, 0 on failure.
    int DrawText(const char* text, int length, RECT* rect, UINT format);
    int DrawTextW(const wchar_t* text, int length, RECT* rect, UINT format);
    CSize GetTextExtent(const char* text, int length) const;
    CSize GetTextExtentW(const wchar_t* text, int length) const;
    bool GetTextMetrics(TEXTMETRICA* metrics) const { return ::GetTextMetricsA(m_hDC, metrics) != FALSE; }

    // --- Fills, frames and lines --------------------------------------------------------------
    // Fills with one colour; the background colour is left as it was.
    void FillSolidRect(const RECT& rect, COLORREF colour);
    void FillRect(const RECT& rect, HBRUSH brush) { ::FillRect(m_hDC, &rect, brush); }
    void FrameRect(const RECT& rect, HBRUSH brush) { ::FrameRect(m_hDC, &rect, brush); }
    bool FillRgn(HRGN region, HBRUSH brush) { return ::FillRgn(m_hDC, region, brush) != FALSE; }
    bool FrameRgn(HRGN region, HBRUSH brush, int width, int height)
    {
        return ::FrameRgn(m_hDC, region, brush, width, height) != FALSE;
    }
    bool DrawEdge(RECT* rect, UINT edge, UINT flags) { return ::DrawEdge(m_hDC, rect, edge, flags) != FALSE; }
    void DrawFocusRect(const RECT& rect) { ::DrawFocusRect(m_hDC, &rect); }
    bool Rectangle(const RECT& rect)
    {
        return ::Rectangle(m_hDC, rect.left, rect.top, rect.right, rect.bottom) != FALSE;
    }
    bool RoundRect(const RECT& rect, int width, int height)
    {
        return ::RoundRect(m_hDC, rect.left, rect.top, rect.right, rect.bottom, width, height) != FALSE;
    }
    bool Polygon(const POINT* points, int count) { return ::Polygon(m_hDC, points, count) != FALSE; }
    CPoint MoveTo(int x, int y);
    bool LineTo(int x, int y) { return ::LineTo(m_hDC, x, y) != FALSE; }
    COLORREF GetPixel(int x, int y) const { return ::GetPixel(m_hDC, x, y); }
    COLORREF SetPixel(int x, int y, COLORREF colour) { return ::SetPixel(m_hDC, x, y, colour); }

    // --- Blits and icons ----------------------------------------------------------------------
    bool BitBlt(int x, int y, int width, int height, HDC source, int xSource, int ySource, DWORD rop)
    {
        return ::BitBlt(m_hDC, x, y, width, height, source, xSource, ySource, rop) != FALSE;
    }
    bool StretchBlt(int x, int y, int width, int height, HDC source, int xSource, int ySource, int sourceWidth,
                    int sourceHeight, DWORD rop)
    {
        return ::StretchBlt(m_hDC, x, y, width, height, source, xSource, ySource, sourceWidth, sourceHeight, rop) !=
               FALSE;
    }
    bool DrawIconEx(int x, int y, HICON icon, int width, int height, UINT step = 0, HBRUSH flickerFree = nullptr,
                    UINT flags = DI_NORMAL)
    {
        return ::DrawIconEx(m_hDC, x, y, icon, width, height, step, flickerFree, flags) != FALSE;
    }

protected:
    bool m_owned = false; // made by CreateCompatibleDC: DeleteDC deletes it
};
