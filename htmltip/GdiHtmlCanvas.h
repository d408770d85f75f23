#pragma once
// CGdiHtmlCanvas: the HTML layout's canvas on a device context: fonts and text through GDI,
// fills, frames, lines and images through the draw manager, images and strings from markup
// sources (htmltip/MarkupResources.h). Made for one pass; puts back the DC's font, text and
// background colours, background mode and text justification when it ends. Neither the DC nor
// the draw manager is owned. User-interface thread.

#include <windows.h>

#include "framework/Font.h"
#include "htmltip/PPDrawManager.h"
#include "htmltip/portable/HtmlCanvas.h"

class CGdiHtmlCanvas : public htmltip::IHtmlCanvas {
public:
    CGdiHtmlCanvas(HDC dc, CPPDrawManager& draw);
    ~CGdiHtmlCanvas() override;
    CGdiHtmlCanvas(const CGdiHtmlCanvas&) = delete;
    CGdiHtmlCanvas& operator=(const CGdiHtmlCanvas&) = delete;

    // The font a style record asks for (face cut to LOGFONT's room, size as the cell height).
    static LOGFONTA FontOf(const htmltip::HtmlStyle& style);

    htmltip::FontMetrics SelectStyle(const htmltip::HtmlStyle& style) override;
    void MeasureExtents(const char* text, int length, int* extents) override;
    void SetJustification(int extra, int breaks) override;
    void DrawText(int x, int y, const char* text, int length) override;
    void DrawLine(int x1, int y1, int x2, int y2, htmltip::Color colour, int style, int width) override;
    void FillEffect(const htmltip::Rect& rect, int effect, htmltip::Color begin, htmltip::Color middle,
                    htmltip::Color end, int granularity) override;
    void DrawFrame(const htmltip::Rect& rect, htmltip::Color topLeft, htmltip::Color bottomRight, int style,
                   int width) override;
    bool ImageSize(const htmltip::ResourceRef& source, htmltip::Size* size) override;
    void DrawImage(const htmltip::ResourceRef& source, const htmltip::ImagePlacement& placement) override;
    void TileImage(const htmltip::ResourceRef& source, const htmltip::Rect& rect) override;
    std::string LoadString(const htmltip::ResourceRef& source) override;
    int PixelsPerInch() override;

private:
    HDC m_dc;
    CPPDrawManager& m_draw;
    // The selected font and the one it replaced (kept until the next change: GDI must never
    // hold a deleted font).
    CFont m_fonts[2];
    int m_current = -1;
    LOGFONTA m_currentFont = {};
    htmltip::FontMetrics m_metrics;
    // What the DC had, put back at the end.
    HGDIOBJ m_oldFont = nullptr;
    COLORREF m_oldTextColor;
    COLORREF m_oldBkColor;
    int m_oldBkMode;
};
