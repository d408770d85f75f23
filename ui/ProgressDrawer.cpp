#include "ui/ProgressDrawer.h"

#include <cstdio>

#include "framework/Brush.h"
#include "framework/DCGuards.h"
#include "framework/MemoryDC.h"
#include "ui/portable/ProgressStrip.h"

bool CProgressDrawer::Init(int imageWidth, int imageHeight, HBITMAP bitmap, COLORREF background, COLORREF border)
{
    m_images.DeleteImageList();
    m_border.DeleteObject();
    m_background = background;
    m_border.CreatePen(PS_SOLID, 1, border);
    return m_images.Create(imageWidth, imageHeight, ILC_COLOR24, 3, 1) && m_images.Add(bitmap, HBITMAP(nullptr)) >= 0;
}

void CProgressDrawer::SetText(HFONT font, bool showText, UINT format)
{
    m_font = font;
    m_showText = showText;
    m_format = format;
}

bool CProgressDrawer::SetPos(int position)
{
    if (position > m_maximum - m_minimum)
        return false;
    m_position = position;
    return true;
}

void CProgressDrawer::Draw(HDC dc, const RECT& rect)
{
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0)
        return;
    CMemoryDC surface(dc, width, height);
    if (!surface.IsValid())
        return;
    if (m_maximum < m_position)
        m_position = m_minimum;

    const CRect bar(0, 0, width, height);
    {
        CSelectGuard pen(surface, m_border);
        CSelectGuard brush(surface, ::GetStockObject(NULL_BRUSH));
        surface.Rectangle(bar);
    }
    CRect inside = bar;
    inside.DeflateRect(1, 1);
    surface.FillSolidRect(inside, m_background);

    int imageWidth = 0, imageHeight = 0;
    if (m_images.GetImageCount() >= 3)
        m_images.GetIconSize(&imageWidth, &imageHeight);
    CRect inner = bar;
    inner.DeflateRect(2, 2);
    const SProgressStrip strip =
        LayoutProgressStrip(inner.left, inner.Width(), imageWidth, m_minimum, m_maximum, m_position);
    if (strip.stripWidth > 0 && inner.Height() > 0) {
        CMemoryDC pieces(dc, strip.stripWidth, imageHeight);
        if (pieces.IsValid()) {
            pieces.FillSolidRect(CRect(0, 0, strip.stripWidth, imageHeight), m_background);
            for (const SStripImage& image : strip.images)
                m_images.Draw(pieces, image.image, POINT{image.x, 0}, ILD_NORMAL);
            surface.SetStretchBltMode(COLORONCOLOR);
            for (const SStripCopy& copy : strip.copies)
                surface.StretchBlt(copy.targetX, inner.top, copy.targetWidth, inner.Height(), pieces, copy.sourceX, 0,
                                   copy.sourceWidth, imageHeight, SRCCOPY);
        }
    }

    if (m_showText) {
        char text[16];
        std::snprintf(text, sizeof(text), "%d%%", strip.done);
        CSaveDCGuard saved(surface);
        surface.SelectObject(m_font ? m_font : ::GetCurrentObject(dc, OBJ_FONT));
        surface.SetBkMode(TRANSPARENT);
        CRect textRect = bar;
        surface.DrawText(text, -1, textRect, m_format);
    }
    surface.BlitTo(dc, rect.left, rect.top);
}
