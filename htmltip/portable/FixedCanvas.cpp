#include "htmltip/portable/FixedCanvas.h"

namespace htmltip {

std::string CFixedCanvas::KeyOf(const ResourceRef& source)
{
    switch (source.origin) {
    case ResourceRef::kHandle:
        return "handle:" + std::to_string(source.handle);
    case ResourceRef::kProgram:
        return "program:" + std::to_string(source.id);
    case ResourceRef::kModule:
        return "module:" + source.module + ":" + std::to_string(source.id);
    case ResourceRef::kFile:
        return "file:" + source.file;
    default:
        return std::string();
    }
}

void CFixedCanvas::AddImage(const ResourceRef& source, Size size)
{
    m_images[KeyOf(source)] = size;
}

void CFixedCanvas::AddString(const ResourceRef& source, const std::string& text)
{
    m_strings[KeyOf(source)] = text;
}

void CFixedCanvas::ClearOps()
{
    texts.clear();
    lines.clear();
    fills.clear();
    frames.clear();
    images.clear();
    tiles.clear();
}

FontMetrics CFixedCanvas::SelectStyle(const HtmlStyle& style)
{
    m_style = style;
    FontMetrics metrics;
    metrics.height = style.size;
    metrics.ascent = style.size * 3 / 4;
    metrics.descent = metrics.height - metrics.ascent;
    metrics.xHeight = style.size / 2;
    return metrics;
}

int CFixedCanvas::ExtraBefore(int blank) const
{
    if (m_breaks <= 0)
        return 0;
    const int share = m_extra / m_breaks;
    const int remainder = m_extra % m_breaks;
    return share + (blank < remainder ? 1 : 0);
}

void CFixedCanvas::MeasureExtents(const char* text, int length, int* extents)
{
    const int charWidth = CharWidth(m_style.size);
    long long width = 0;
    int blank = m_blanksDrawn;
    for (int i = 0; i < length; ++i) {
        width += charWidth;
        if (text[i] == ' ')
            width += ExtraBefore(blank++);
        extents[i] = width > (1LL << 30) ? (1 << 30) : static_cast<int>(width);
    }
}

void CFixedCanvas::SetJustification(int extra, int breaks)
{
    m_extra = extra;
    m_breaks = breaks;
    m_blanksDrawn = 0;
}

void CFixedCanvas::DrawText(int x, int y, const char* text, int length)
{
    if (record) {
        TextOp op;
        op.x = x;
        op.y = y;
        op.text.assign(text, static_cast<std::size_t>(length));
        op.style = m_style;
        std::vector<int> extents(static_cast<std::size_t>(length));
        MeasureExtents(text, length, extents.data());
        op.width = length > 0 ? extents.back() : 0;
        texts.push_back(std::move(op));
    }
    for (int i = 0; i < length; ++i) {
        if (text[i] == ' ')
            ++m_blanksDrawn;
    }
}

void CFixedCanvas::DrawLine(int x1, int y1, int x2, int y2, Color colour, int style, int width)
{
    if (record)
        lines.push_back(LineOp{x1, y1, x2, y2, colour, style, width});
}

void CFixedCanvas::FillEffect(const Rect& rect, int effect, Color begin, Color middle, Color end, int granularity)
{
    if (record)
        fills.push_back(FillOp{rect, effect, begin, middle, end, granularity});
}

void CFixedCanvas::DrawFrame(const Rect& rect, Color topLeft, Color bottomRight, int style, int width)
{
    if (record)
        frames.push_back(FrameOp{rect, topLeft, bottomRight, style, width});
}

bool CFixedCanvas::ImageSize(const ResourceRef& source, Size* size)
{
    const auto found = m_images.find(KeyOf(source));
    if (found == m_images.end())
        return false;
    *size = source.kind == ResourceRef::kIcon ? Size{kIconSize, kIconSize} : found->second;
    return true;
}

void CFixedCanvas::DrawImage(const ResourceRef& source, const ImagePlacement& placement)
{
    if (record)
        images.push_back(ImageOp{source, placement});
}

void CFixedCanvas::TileImage(const ResourceRef& source, const Rect& rect)
{
    if (record)
        tiles.push_back(TileOp{source, rect});
}

std::string CFixedCanvas::LoadString(const ResourceRef& source)
{
    const auto found = m_strings.find(KeyOf(source));
    return found == m_strings.end() ? std::string() : found->second;
}

} // namespace htmltip
