#pragma once
// A canvas of fixed metrics that records what is drawn on it: the layout's tests and its fuzz
// target run the drawer on it natively. A character is half the font height wide (8 pixels at
// 16, at least 1), the ascent is three quarters of the height and "x" half of it; 96 pixels per
// inch. Justification spreads its pixels over blanks as GDI does: each gets the share, the first
// ones one pixel of the remainder.

#include <map>
#include <string>
#include <vector>

#include "htmltip/portable/HtmlCanvas.h"

namespace htmltip {

class CFixedCanvas : public IHtmlCanvas {
public:
    struct TextOp {
        int x = 0;
        int y = 0;
        int width = 0;
        std::string text;
        HtmlStyle style;
    };
    struct LineOp {
        int x1, y1, x2, y2;
        Color colour;
        int style;
        int width;
    };
    struct FillOp {
        Rect rect;
        int effect;
        Color begin, middle, end;
        int granularity;
    };
    struct FrameOp {
        Rect rect;
        Color topLeft, bottomRight;
        int style;
        int width;
    };
    struct ImageOp {
        ResourceRef source;
        ImagePlacement placement;
    };
    struct TileOp {
        ResourceRef source;
        Rect rect;
    };

    static int CharWidth(int size) { return size / 2 > 0 ? size / 2 : 1; }
    static constexpr int kIconSize = 32;

    // Images and strings the canvas can find, by their source (origin and id, module, file or
    // handle). Icons have the system icon size whatever is given.
    void AddImage(const ResourceRef& source, Size size);
    void AddString(const ResourceRef& source, const std::string& text);
    void ClearOps();
    // Off: nothing is recorded (the fuzz target needs only the layout).
    bool record = true;

    std::vector<TextOp> texts;
    std::vector<LineOp> lines;
    std::vector<FillOp> fills;
    std::vector<FrameOp> frames;
    std::vector<ImageOp> images;
    std::vector<TileOp> tiles;

    // IHtmlCanvas
    FontMetrics SelectStyle(const HtmlStyle& style) override;
    void MeasureExtents(const char* text, int length, int* extents) override;
    void SetJustification(int extra, int breaks) override;
    void DrawText(int x, int y, const char* text, int length) override;
    void DrawLine(int x1, int y1, int x2, int y2, Color colour, int style, int width) override;
    void FillEffect(const Rect& rect, int effect, Color begin, Color middle, Color end, int granularity) override;
    void DrawFrame(const Rect& rect, Color topLeft, Color bottomRight, int style, int width) override;
    bool ImageSize(const ResourceRef& source, Size* size) override;
    void DrawImage(const ResourceRef& source, const ImagePlacement& placement) override;
    void TileImage(const ResourceRef& source, const Rect& rect) override;
    std::string LoadString(const ResourceRef& source) override;
    int PixelsPerInch() override { return 96; }

private:
    static std::string KeyOf(const ResourceRef& source);
    int ExtraBefore(int blank) const;

    HtmlStyle m_style;
    int m_extra = 0;
    int m_breaks = 0;
    int m_blanksDrawn = 0; // since the justification was set
    std::map<std::string, Size> m_images;
    std::map<std::string, std::string> m_strings;
};

} // namespace htmltip
