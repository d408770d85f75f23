#pragma once
// The device the layout measures and draws on. The Windows layer implements it over a device
// context (fonts, text, the draw manager's fills, frames, lines and images); tests and the fuzz
// target use CFixedCanvas, whose metrics are fixed numbers. Called on the drawer's thread only.

#include <string>

#include "htmltip/portable/HtmlStyle.h"
#include "htmltip/portable/HtmlTypes.h"

namespace htmltip {

struct FontMetrics {
    int height = 0;
    int ascent = 0;
    int descent = 0;
    int xHeight = 0; // height of "x"
};

// Where a resource named in markup comes from; the first of handle, program resource, module
// resource and file that the markup gave.
struct ResourceRef {
    enum Origin {
        kNone,
        kHandle,
        kProgram,
        kModule,
        kFile
    };
    enum Kind {
        kBitmap,
        kIcon,
        kString
    };
    Origin origin = kNone;
    Kind kind = kBitmap;
    unsigned long long handle = 0; // an existing bitmap or icon, never freed by the drawer
    int id = 0;                    // resource id (program or module)
    std::string module;            // file name of the module, loaded as data only
    std::string file;              // an image file
};

// Image effect flags (the draw manager's).
enum ImageEffect : unsigned {
    kEffectGray = 0x1,
    kEffectDarker = 0x2,
    kEffectLighter = 0x4,
    kEffectShadow = 0x100,
    kEffectGradientShadow = 0x200,
};

struct ShadowParams {
    int dx = 4;
    int dy = 4;
    int blurX = 7;
    int blurY = 7;
    Color color = 0;
};

// How one image is drawn: `box` is the image itself (its shadow falls outside it).
struct ImagePlacement {
    Rect box;
    unsigned effects = 0;
    bool masked = false;
    Color mask = 0xFF00FF;
    // A strip of frames: the frame to draw and the frame size; frame -1 for a whole image.
    int frame = -1;
    int frameWidth = 0;
    int frameHeight = 0;
    ShadowParams shadow;
};

class IHtmlCanvas {
public:
    virtual ~IHtmlCanvas() = default;

    // Makes the record's font (face, size as height, weight, italic, underline, strike-out), text
    // colour, background colour and mode current, and reports the font's metrics.
    virtual FontMetrics SelectStyle(const HtmlStyle& style) = 0;
    // extents[i] = width of the first i + 1 characters, with the justification in force.
    virtual void MeasureExtents(const char* text, int length, int* extents) = 0;
    // Spreads `extra` pixels over the next `breaks` blanks of measured and drawn text; (0, 0)
    // resets.
    virtual void SetJustification(int extra, int breaks) = 0;
    virtual void DrawText(int x, int y, const char* text, int length) = 0;
    virtual void DrawLine(int x1, int y1, int x2, int y2, Color colour, int style, int width) = 0;
    virtual void FillEffect(const Rect& rect, int effect, Color begin, Color middle, Color end, int granularity) = 0;
    virtual void DrawFrame(const Rect& rect, Color topLeft, Color bottomRight, int style, int width) = 0;

    // The natural size of an image: a bitmap's own size, an icon's the system icon size. False
    // when the source gives no image (then it takes no room).
    virtual bool ImageSize(const ResourceRef& source, Size* size) = 0;
    virtual void DrawImage(const ResourceRef& source, const ImagePlacement& placement) = 0;
    // Repeats a bitmap over the rectangle.
    virtual void TileImage(const ResourceRef& source, const Rect& rect) = 0;
    // A string resource; empty when missing.
    virtual std::string LoadString(const ResourceRef& source) = 0;
    virtual int PixelsPerInch() = 0;
};

} // namespace htmltip
