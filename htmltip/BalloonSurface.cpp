#include "htmltip/BalloonSurface.h"

#include <algorithm>

#include "framework/Brush.h"
#include "framework/DCGuards.h"
#include "framework/GdiObject.h"
#include "htmltip/DibSection32.h"
#include "htmltip/PPDrawManager.h"

namespace {
// The body's fill gets a little of the begin colour into its texture palettes.
constexpr int BACKGROUND_BLEND_PERCENT = 5;

// The body's outermost row or column, one pixel in from its edge, stretched across the pointer's
// strip so that the pointer has the body's fill.
void StretchIntoPointerStrip(HDC dc, const SBalloonLayout& layout, int width, int height)
{
    const SBalloonRect& b = layout.body;
    switch (layout.direction & 0x30) {
    case BALLOON_BELOW:
        ::StretchBlt(dc, 0, 0, width, b.top, dc, 0, std::min(b.top + 1, b.bottom - 1), width, 1, SRCCOPY);
        break;
    case BALLOON_ABOVE:
        ::StretchBlt(dc, 0, b.bottom, width, height - b.bottom, dc, 0, std::max(b.bottom - 2, b.top), width, 1,
                     SRCCOPY);
        break;
    case BALLOON_RIGHT:
        ::StretchBlt(dc, 0, 0, b.left, height, dc, std::min(b.left + 1, b.right - 1), 0, 1, height, SRCCOPY);
        break;
    default:
        ::StretchBlt(dc, b.right, 0, width - b.right, height, dc, std::max(b.right - 2, b.left), 0, 1, height, SRCCOPY);
        break;
    }
}
} // namespace

void CBalloonSurface::Free()
{
    m_background.reset();
    m_backdrop.reset();
    m_region.DeleteObject();
    m_balloonSize = CSize();
    m_windowSize = CSize();
}

bool CBalloonSurface::Build(HDC reference, const SBalloonLayout& layout, const int sizes[BALLOON_SIZE_COUNT],
                            const SBalloonFill& fill, const SBalloonShadow& shadow, CPPDrawManager& draw)
{
    Free();
    const int w = layout.window.Width();
    const int h = layout.window.Height();
    if (w <= 0 || h <= 0)
        return false;
    m_shadow = shadow;
    m_shadow.offsetX = std::max(shadow.offsetX, 0);
    m_shadow.offsetY = std::max(shadow.offsetY, 0);
    m_balloonSize = CSize(w, h);
    m_windowSize = CSize(w + m_shadow.offsetX, h + m_shadow.offsetY);

    const SBalloonRect& b = layout.body;
    if (!m_region.CreateRoundRectRgn(b.left, b.top, b.right + 1, b.bottom + 1, sizes[BALLOON_CORNER_WIDTH],
                                     sizes[BALLOON_CORNER_HEIGHT]))
        return false;
    if (layout.hasPointer) {
        const POINT triangle[3] = {{layout.pointer[0].x, layout.pointer[0].y},
                                   {layout.pointer[1].x, layout.pointer[1].y},
                                   {layout.pointer[2].x, layout.pointer[2].y}};
        CRgn pointer;
        if (pointer.CreatePolygonRgn(triangle, 3, WINDING))
            m_region.CombineRgn(m_region, pointer, RGN_OR);
    }

    m_background = std::make_unique<CMemoryDC>(reference, w, h);
    if (!m_background->IsValid()) {
        Free();
        return false;
    }
    draw.FillEffect(*m_background, fill.effect, RECT{b.left, b.top, b.right, b.bottom}, fill.begin, fill.middle,
                    fill.end, fill.granularity, BACKGROUND_BLEND_PERCENT);
    if (layout.hasPointer)
        StretchIntoPointerStrip(*m_background, layout, w, h);
    return true;
}

HRGN CBalloonSurface::CreateWindowRegion() const
{
    if (!m_region.GetSafeHandle())
        return nullptr;
    CRgn window;
    if (!window.CreateRectRgn(0, 0, 0, 0) || window.CopyRgn(m_region) == ERROR)
        return nullptr;
    if (m_shadow.offsetX || m_shadow.offsetY) {
        CRgn moved;
        if (!moved.CreateRectRgn(0, 0, 0, 0) || moved.CopyRgn(m_region) == ERROR)
            return nullptr;
        moved.OffsetRgn(m_shadow.offsetX, m_shadow.offsetY);
        window.CombineRgn(window, moved, RGN_OR);
    }
    return static_cast<HRGN>(window.Detach());
}

bool CBalloonSurface::CaptureBackdrop(HDC screen, int x, int y)
{
    if (!IsBuilt())
        return false;
    m_backdrop = std::make_unique<CMemoryDC>(screen, m_windowSize.cx, m_windowSize.cy);
    if (!m_backdrop->IsValid()) {
        m_backdrop.reset();
        return false;
    }
    // Only what the screen has: a copy reaching past its edge is refused whole (the shadow of
    // a balloon at the edge lies partly off the screen). The rest stays white.
    m_backdrop->FillSolidRect(RECT{0, 0, m_windowSize.cx, m_windowSize.cy}, RGB(255, 255, 255));
    RECT onScreen = {x, y, x + m_windowSize.cx, y + m_windowSize.cy};
    RECT screenArea;
    if (::GetClipBox(screen, &screenArea) == ERROR || !::IntersectRect(&onScreen, &onScreen, &screenArea))
        return false;
    return m_backdrop->BitBlt(onScreen.left - x, onScreen.top - y, onScreen.right - onScreen.left,
                              onScreen.bottom - onScreen.top, screen, onScreen.left, onScreen.top, SRCCOPY);
}

void CBalloonSurface::Compose(HDC target, int transparency, const std::function<void(HDC)>& drawContent,
                              CPPDrawManager& draw)
{
    if (!IsBuilt() || !target)
        return;
    transparency = std::clamp(transparency, 0, 100);
    const int w = m_balloonSize.cx;
    const int h = m_balloonSize.cy;

    // The content on a copy of the background.
    CMemoryDC content(target, w, h);
    CMemoryDC frame(target, m_windowSize.cx, m_windowSize.cy);
    if (!content.IsValid() || !frame.IsValid())
        return;
    content.BitBlt(0, 0, w, h, *m_background, 0, 0, SRCCOPY);
    if (drawContent) {
        CSaveDCGuard saved(content);
        drawContent(content);
    }

    // The backdrop (white when it could not be taken), darkened by the shadow.
    if (m_backdrop)
        frame.BitBlt(0, 0, m_windowSize.cx, m_windowSize.cy, *m_backdrop, 0, 0, SRCCOPY);
    else
        frame.FillSolidRect(RECT{0, 0, m_windowSize.cx, m_windowSize.cy}, RGB(255, 255, 255));
    if (m_shadow.offsetX || m_shadow.offsetY) {
        // The fainter the balloon, the fainter its shadow.
        const int darkest = ::MulDiv(255, 100 - std::clamp(m_shadow.darkness, 0, 100), 100);
        const int gray = darkest + (255 - darkest) * transparency / 100;
        CDibSection32 mask(w, h);
        if (mask.IsValid()) {
            ::PatBlt(mask.Dc(), 0, 0, w, h, WHITENESS);
            CBrush shade(RGB(gray, gray, gray));
            ::FillRgn(mask.Dc(), m_region, shade);
            CGdiObject maskBitmap;
            maskBitmap.Attach(CreatePixelBitmap(mask.Pixels(), w, h, 32));
            draw.DrawShadow(frame, m_shadow.offsetX, m_shadow.offsetY, w, h,
                            static_cast<HBITMAP>(maskBitmap.GetSafeHandle()), m_shadow.gradient, m_shadow.blurX,
                            m_shadow.blurY);
        }
    }

    // The content over it inside the balloon's region.
    {
        CSaveDCGuard saved(frame);
        frame.SelectClipRgn(m_region);
        draw.AlphaBitBlt(frame, 0, 0, w, h, content, 0, 0, 100 - transparency);
    }
    ::BitBlt(target, 0, 0, m_windowSize.cx, m_windowSize.cy, frame, 0, 0, SRCCOPY);
}
