// CPPDrawManager: bitmaps, icons, strip frames and shadows.
#include "htmltip/PPDrawManager.h"

#include <algorithm>
#include <vector>

#include "framework/GdiObject.h"
#include "htmltip/DibSection32.h"
#include "htmltip/portable/PackedDib.h"
#include "htmltip/portable/ShadowFilter.h"

namespace {
constexpr uint32_t WHITE = 0x00FFFFFF;

// The bitmaps GetIconInfo hands out, deleted with the record.
struct SIconBitmaps {
    ICONINFO info = {};
    bool valid = false;

    explicit SIconBitmaps(HICON icon) : valid(icon && ::GetIconInfo(icon, &info)) {}
    ~SIconBitmaps()
    {
        if (info.hbmMask)
            ::DeleteObject(info.hbmMask);
        if (info.hbmColor)
            ::DeleteObject(info.hbmColor);
    }
    SIconBitmaps(const SIconBitmaps&) = delete;
    SIconBitmaps& operator=(const SIconBitmaps&) = delete;
};

// An icon's pixels and which of them its mask hides, at the icon's own size. A monochrome icon
// keeps its AND mask over its XOR image in one bitmap of twice the height.
bool ReadIconPixels(HICON icon, std::vector<uint32_t>* colour, std::vector<uint32_t>* hidden, int* width, int* height)
{
    SIconBitmaps bitmaps(icon);
    if (!bitmaps.valid)
        return false;
    int maskW = 0;
    int maskH = 0;
    if (!ReadBitmapPixels(bitmaps.info.hbmMask, hidden, &maskW, &maskH))
        return false;
    if (bitmaps.info.hbmColor) {
        if (!ReadBitmapPixels(bitmaps.info.hbmColor, colour, width, height) || *width != maskW || *height > maskH)
            return false;
    } else {
        *width = maskW;
        *height = maskH / 2;
        if (*height <= 0)
            return false;
        colour->assign(hidden->begin() + ptrdiff_t(*width) * *height, hidden->end());
    }
    hidden->resize(size_t(*width) * size_t(*height));
    for (uint32_t& p : *hidden)
        p = (p & WHITE) == WHITE ? 1 : 0;
    return true;
}

// Darkens the area at (x, y) through mask pixels of its size.
void DarkenArea(HDC dc, int x, int y, int width, int height, const uint32_t* mask, bool gradient, int blurX, int blurY)
{
    CDibSection32 area(width, height);
    if (!area.CopyFrom(dc, x, y))
        return;
    std::vector<uint8_t> values(area.Count());
    for (size_t i = 0; i < values.size(); ++i) {
        const uint32_t p = mask[i];
        values[i] = uint8_t((((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF)) / 3);
    }
    DarkenByShadowMask(area.Pixels(), values.data(), width, height, gradient, blurX, blurY);
    area.CopyTo(dc, x, y);
}
} // namespace

void CPPDrawManager::DrawPixels(HDC dc, int x, int y, int width, int height, const uint32_t* source, int sourceWidth,
                                int sourceHeight, const uint8_t* hidden, bool useMaskColour, COLORREF maskColour,
                                DWORD effects, bool shadow, int dx, int dy, int blurX, int blurY, COLORREF shadowColour)
{
    m_alpha = false;
    CDibSection32 image(width, height);
    CDibSection32 mask(width, height);
    if (!image.IsValid() || !mask.IsValid())
        return;
    const size_t count = image.Count();
    uint32_t* pixels = image.Pixels();
    uint32_t* maskPixels = mask.Pixels();
    ScalePixels(source, sourceWidth, sourceHeight, pixels, width, height);
    std::vector<uint8_t> hiddenScaled;
    if (hidden) {
        std::vector<uint32_t> in(hidden, hidden + size_t(sourceWidth) * size_t(sourceHeight));
        std::vector<uint32_t> out(count);
        ScalePixels(in.data(), sourceWidth, sourceHeight, out.data(), width, height);
        hiddenScaled.assign(out.begin(), out.end());
    }
    // The colour effect paints in the colour the caller gives for the image's shadow.
    m_alpha = ProcessImagePixels(pixels, maskPixels, count, hidden ? hiddenScaled.data() : nullptr, useMaskColour,
                                 maskColour, effects, shadowColour);
    if (shadow && (effects & (IMAGE_EFFECT_SHADOW | IMAGE_EFFECT_GRADIENT_SHADOW))) {
        std::vector<uint32_t> shape(count);
        ShadowMaskPixels(maskPixels, shape.data(), count, shadowColour);
        DarkenArea(dc, x + dx, y + dy, width, height, shape.data(), (effects & IMAGE_EFFECT_GRADIENT_SHADOW) != 0,
                   blurX, blurY);
    } else if (shadow) {
        x += dx;
        y += dy;
    }
    if (m_alpha) {
        CDibSection32 under(width, height);
        if (!under.CopyFrom(dc, x, y))
            return;
        MixByOwnAlpha(under.Pixels(), image.Pixels(), count);
        under.CopyTo(dc, x, y);
        return;
    }
    mask.CopyTo(dc, x, y, SRCAND);
    image.CopyTo(dc, x, y, SRCPAINT);
}

void CPPDrawManager::DrawImage(HDC dc, int x, int y, int width, int height, HBITMAP bitmap, bool masked,
                               COLORREF maskColour, DWORD effects, bool shadow, int dx, int dy, int blurX, int blurY,
                               COLORREF shadowColour)
{
    std::vector<uint32_t> pixels;
    int w = 0;
    int h = 0;
    if (!dc || width <= 0 || height <= 0 || !ReadBitmapPixels(bitmap, &pixels, &w, &h))
        return;
    DrawPixels(dc, x, y, width, height, pixels.data(), w, h, nullptr, masked, maskColour, effects, shadow, dx, dy,
               blurX, blurY, shadowColour);
}

void CPPDrawManager::DrawIcon(HDC dc, int x, int y, int width, int height, HICON icon, DWORD effects, bool shadow,
                              int dx, int dy, int blurX, int blurY, COLORREF shadowColour)
{
    std::vector<uint32_t> colour;
    std::vector<uint32_t> hidden;
    int w = 0;
    int h = 0;
    if (!dc || width <= 0 || height <= 0 || !ReadIconPixels(icon, &colour, &hidden, &w, &h))
        return;
    std::vector<uint8_t> flags(hidden.begin(), hidden.end());
    DrawPixels(dc, x, y, width, height, colour.data(), w, h, flags.data(), false, 0, effects, shadow, dx, dy, blurX,
               blurY, shadowColour);
}

void CPPDrawManager::DrawImageListFrame(HDC dc, int x, int y, int width, int height, HBITMAP strip, int index,
                                        int frameWidth, int frameHeight, bool masked, COLORREF maskColour,
                                        DWORD effects, bool shadow, int dx, int dy, int blurX, int blurY,
                                        COLORREF shadowColour)
{
    if (!dc || frameWidth <= 0 || frameHeight <= 0 || index < 0 || width <= 0 || height <= 0)
        return;
    std::vector<uint32_t> pixels;
    int w = 0;
    int h = 0;
    if (!ReadBitmapPixels(strip, &pixels, &w, &h))
        return;
    const int columns = w / frameWidth;
    const int rows = h / frameHeight;
    if (columns == 0 || rows == 0 || index / columns >= rows)
        return;
    const int left = (index % columns) * frameWidth;
    const int top = (index / columns) * frameHeight;
    std::vector<uint32_t> frame(size_t(frameWidth) * size_t(frameHeight));
    for (int row = 0; row < frameHeight; ++row)
        std::copy_n(&pixels[size_t(top + row) * size_t(w) + size_t(left)], frameWidth,
                    &frame[size_t(row) * size_t(frameWidth)]);
    DrawPixels(dc, x, y, width, height, frame.data(), frameWidth, frameHeight, nullptr, masked, maskColour, effects,
               shadow, dx, dy, blurX, blurY, shadowColour);
}

void CPPDrawManager::DrawShadow(HDC dc, int x, int y, int width, int height, HBITMAP mask, bool gradient, int blurX,
                                int blurY)
{
    std::vector<uint32_t> pixels;
    int w = 0;
    int h = 0;
    if (!dc || width <= 0 || height <= 0 || !ReadBitmapPixels(mask, &pixels, &w, &h))
        return;
    std::vector<uint32_t> scaled(size_t(width) * size_t(height));
    ScalePixels(pixels.data(), w, h, scaled.data(), width, height);
    DarkenArea(dc, x, y, width, height, scaled.data(), gradient, blurX, blurY);
}

CSize CPPDrawManager::GetBitmapSize(HBITMAP bitmap)
{
    BITMAP about = {};
    if (!bitmap || ::GetObject(bitmap, sizeof about, &about) == 0)
        return CSize();
    return CSize(about.bmWidth, about.bmHeight < 0 ? -about.bmHeight : about.bmHeight);
}

CSize CPPDrawManager::GetIconSize(HICON icon)
{
    SIconBitmaps bitmaps(icon);
    if (!bitmaps.valid)
        return CSize();
    return CSize(int(bitmaps.info.xHotspot) * 2, int(bitmaps.info.yHotspot) * 2);
}

HICON CPPDrawManager::ResizeIcon(HICON icon, int width, int height)
{
    std::vector<uint32_t> colour;
    std::vector<uint32_t> hidden;
    int w = 0;
    int h = 0;
    if (!ReadIconPixels(icon, &colour, &hidden, &w, &h))
        return nullptr;
    uint32_t line = 0;
    uint32_t image = 0;
    if (!DibRowBytes(width, height, 32, &line, &image))
        return nullptr;
    std::vector<uint32_t> newColour(size_t(width) * size_t(height));
    std::vector<uint32_t> newMask(newColour.size());
    ScalePixels(colour.data(), w, h, newColour.data(), width, height);
    for (uint32_t& p : hidden)
        p = p ? WHITE : 0;
    ScalePixels(hidden.data(), w, h, newMask.data(), width, height);
    // CreateIconIndirect copies both bitmaps.
    CGdiObject colourBitmap;
    CGdiObject maskBitmap;
    colourBitmap.Attach(CreatePixelBitmap(newColour.data(), width, height, 32));
    maskBitmap.Attach(CreatePixelBitmap(newMask.data(), width, height, 1));
    if (!colourBitmap.GetSafeHandle() || !maskBitmap.GetSafeHandle())
        return nullptr;
    ICONINFO info = {};
    info.fIcon = TRUE;
    info.hbmMask = static_cast<HBITMAP>(maskBitmap.GetSafeHandle());
    info.hbmColor = static_cast<HBITMAP>(colourBitmap.GetSafeHandle());
    return ::CreateIconIndirect(&info);
}
