#include "htmltip/GdiHtmlCanvas.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "framework/DC.h"
#include "framework/DCGuards.h"
#include "htmltip/MarkupResources.h"

using htmltip::Color;
using htmltip::FontMetrics;
using htmltip::HtmlStyle;
using htmltip::ResourceRef;

namespace {

RECT ToRect(const htmltip::Rect& rect)
{
    return RECT{rect.left, rect.top, rect.right, rect.bottom};
}

bool SameFont(const LOGFONTA& a, const LOGFONTA& b)
{
    return a.lfHeight == b.lfHeight && a.lfWeight == b.lfWeight && a.lfItalic == b.lfItalic &&
           a.lfUnderline == b.lfUnderline && a.lfStrikeOut == b.lfStrikeOut &&
           std::strcmp(a.lfFaceName, b.lfFaceName) == 0;
}

} // namespace

CGdiHtmlCanvas::CGdiHtmlCanvas(HDC dc, CPPDrawManager& draw)
    : m_dc(dc), m_draw(draw), m_oldTextColor(::GetTextColor(dc)), m_oldBkColor(::GetBkColor(dc)),
      m_oldBkMode(::GetBkMode(dc))
{
    ::SetTextJustification(m_dc, 0, 0);
    TEXTMETRICA tm = {};
    if (::GetTextMetricsA(m_dc, &tm)) {
        m_metrics.height = tm.tmHeight;
        m_metrics.ascent = tm.tmAscent;
        m_metrics.descent = tm.tmDescent;
        m_metrics.xHeight = tm.tmAscent / 2;
    }
}

CGdiHtmlCanvas::~CGdiHtmlCanvas()
{
    ::SetTextJustification(m_dc, 0, 0);
    if (m_oldFont)
        ::SelectObject(m_dc, m_oldFont);
    ::SetTextColor(m_dc, m_oldTextColor);
    ::SetBkColor(m_dc, m_oldBkColor);
    ::SetBkMode(m_dc, m_oldBkMode);
}

LOGFONTA CGdiHtmlCanvas::FontOf(const HtmlStyle& style)
{
    LOGFONTA font = {};
    font.lfHeight = style.size;
    font.lfWeight = style.weight;
    font.lfItalic = style.italic ? TRUE : FALSE;
    font.lfUnderline = style.underline ? TRUE : FALSE;
    font.lfStrikeOut = style.strikeout ? TRUE : FALSE;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfOutPrecision = OUT_DEFAULT_PRECIS;
    font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    font.lfQuality = DEFAULT_QUALITY;
    font.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    const std::size_t length = std::min(style.face.size(), sizeof(font.lfFaceName) - 1);
    std::memcpy(font.lfFaceName, style.face.data(), length);
    font.lfFaceName[length] = '\0';
    return font;
}

FontMetrics CGdiHtmlCanvas::SelectStyle(const HtmlStyle& style)
{
    ::SetTextColor(m_dc, style.color);
    ::SetBkColor(m_dc, style.bkColor);
    ::SetBkMode(m_dc, style.bkMode == htmltip::kBkOpaque ? OPAQUE : TRANSPARENT);
    const LOGFONTA wanted = FontOf(style);
    if (m_current >= 0 && SameFont(wanted, m_currentFont))
        return m_metrics;

    const int next = m_current == 0 ? 1 : 0;
    m_fonts[next].DeleteObject();
    if (!m_fonts[next].CreateFontIndirect(&wanted))
        return m_metrics;
    HGDIOBJ previous = ::SelectObject(m_dc, m_fonts[next]);
    if (!m_oldFont)
        m_oldFont = previous;
    m_current = next;
    m_currentFont = wanted;

    TEXTMETRICA tm = {};
    ::GetTextMetricsA(m_dc, &tm);
    m_metrics.height = tm.tmHeight;
    m_metrics.ascent = tm.tmAscent;
    m_metrics.descent = tm.tmDescent;
    GLYPHMETRICS glyph = {};
    const MAT2 identity = {{0, 1}, {0, 0}, {0, 0}, {0, 1}};
    m_metrics.xHeight = ::GetGlyphOutlineA(m_dc, 'x', GGO_METRICS, &glyph, 0, nullptr, &identity) != GDI_ERROR
                            ? static_cast<int>(glyph.gmBlackBoxY)
                            : tm.tmAscent / 2;
    return m_metrics;
}

void CGdiHtmlCanvas::MeasureExtents(const char* text, int length, int* extents)
{
    if (length <= 0)
        return;
    SIZE size = {};
    if (::GetTextExtentExPointA(m_dc, text, length, INT_MAX, nullptr, extents, &size))
        return;
    // Should the call refuse the text, share its whole width out evenly.
    ::GetTextExtentPoint32A(m_dc, text, length, &size);
    for (int i = 0; i < length; ++i)
        extents[i] = static_cast<int>(static_cast<long long>(size.cx) * (i + 1) / length);
}

void CGdiHtmlCanvas::SetJustification(int extra, int breaks)
{
    ::SetTextJustification(m_dc, extra, breaks);
}

void CGdiHtmlCanvas::DrawText(int x, int y, const char* text, int length)
{
    ::TextOutA(m_dc, x, y, text, length);
}

void CGdiHtmlCanvas::DrawLine(int x1, int y1, int x2, int y2, Color colour, int style, int width)
{
    m_draw.DrawLine(m_dc, x1, y1, x2, y2, colour, style, width);
}

void CGdiHtmlCanvas::FillEffect(const htmltip::Rect& rect, int effect, Color begin, Color middle, Color end,
                                int granularity)
{
    m_draw.FillEffect(m_dc, effect, ToRect(rect), begin, middle, end, static_cast<BYTE>(granularity), 0);
}

void CGdiHtmlCanvas::DrawFrame(const htmltip::Rect& rect, Color topLeft, Color bottomRight, int style, int width)
{
    m_draw.DrawRectangle(m_dc, ToRect(rect), topLeft, bottomRight, style, width);
}

bool CGdiHtmlCanvas::ImageSize(const ResourceRef& source, htmltip::Size* size)
{
    CMarkupImage image;
    if (source.kind == ResourceRef::kIcon) {
        if (!image.LoadIcon(source, 0, 0))
            return false;
        *size = htmltip::Size{::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON)};
        return true;
    }
    if (!image.LoadBitmap(source))
        return false;
    const CSize bitmap = CPPDrawManager::GetBitmapSize(image.Bitmap());
    *size = htmltip::Size{bitmap.cx, bitmap.cy};
    return bitmap.cx > 0 && bitmap.cy > 0;
}

void CGdiHtmlCanvas::DrawImage(const ResourceRef& source, const htmltip::ImagePlacement& placement)
{
    const htmltip::Rect& box = placement.box;
    const DWORD effects = placement.effects;
    const bool shadow = (effects & (htmltip::kEffectShadow | htmltip::kEffectGradientShadow)) != 0;
    const htmltip::ShadowParams& s = placement.shadow;
    CMarkupImage image;
    if (source.kind == ResourceRef::kIcon) {
        if (image.LoadIcon(source, box.Width(), box.Height()))
            m_draw.DrawIcon(m_dc, box.left, box.top, box.Width(), box.Height(), image.Icon(), effects, shadow, s.dx,
                            s.dy, s.blurX, s.blurY, s.color);
        return;
    }
    if (!image.LoadBitmap(source))
        return;
    if (placement.frame >= 0)
        m_draw.DrawImageListFrame(m_dc, box.left, box.top, box.Width(), box.Height(), image.Bitmap(), placement.frame,
                                  placement.frameWidth, placement.frameHeight, placement.masked, placement.mask,
                                  effects, shadow, s.dx, s.dy, s.blurX, s.blurY, s.color);
    else
        m_draw.DrawImage(m_dc, box.left, box.top, box.Width(), box.Height(), image.Bitmap(), placement.masked,
                         placement.mask, effects, shadow, s.dx, s.dy, s.blurX, s.blurY, s.color);
}

void CGdiHtmlCanvas::TileImage(const ResourceRef& source, const htmltip::Rect& rect)
{
    CMarkupImage image;
    if (!image.LoadBitmap(source))
        return;
    const CSize size = CPPDrawManager::GetBitmapSize(image.Bitmap());
    CDC memory;
    if (!memory.CreateCompatibleDC(m_dc))
        return;
    const CSelectGuard selected(memory, image.Bitmap());
    if (selected.IsSelected())
        m_draw.TileBitmap(m_dc, rect.left, rect.top, rect.Width(), rect.Height(), memory, 0, 0, size.cx, size.cy);
}

std::string CGdiHtmlCanvas::LoadString(const ResourceRef& source)
{
    return LoadMarkupString(source);
}

int CGdiHtmlCanvas::PixelsPerInch()
{
    return ::GetDeviceCaps(m_dc, LOGPIXELSY);
}
