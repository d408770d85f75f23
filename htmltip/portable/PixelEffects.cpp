#include "htmltip/portable/PixelEffects.h"

#include <algorithm>

namespace {
constexpr uint32_t ALPHA = 0xFF000000u;
constexpr uint32_t WHITE = 0x00FFFFFFu;

int Red(uint32_t p)
{
    return int((p >> 16) & 0xFF);
}
int Green(uint32_t p)
{
    return int((p >> 8) & 0xFF);
}
int Blue(uint32_t p)
{
    return int(p & 0xFF);
}
uint32_t Compose(uint32_t alphaOf, int r, int g, int b)
{
    return (alphaOf & ALPHA) | (uint32_t(r) << 16) | (uint32_t(g) << 8) | uint32_t(b);
}
int Byte(double v)
{
    return int(std::clamp(v, 0.0, 255.0));
}
} // namespace

// Integer arithmetic throughout: the x87 unit of 32-bit builds rounds doubles differently from
// SSE, and a channel landing on 126.9999 there gave other pixels than natively.
uint32_t GrayPixel(uint32_t p)
{
    const int gray = (299 * Red(p) + 587 * Green(p) + 114 * Blue(p)) / 1000;
    return Compose(p, gray, gray, gray);
}

uint32_t InvertPixel(uint32_t p)
{
    return Compose(p, 255 - Red(p), 255 - Green(p), 255 - Blue(p));
}

uint32_t DarkenPixel(uint32_t p, double f)
{
    if (!(f >= 0.0 && f < 1.0))
        return p;
    return Compose(p, Byte(Red(p) * f), Byte(Green(p) * f), Byte(Blue(p) * f));
}

uint32_t LightenPixel(uint32_t p, double f)
{
    if (!(f > 0.0 && f <= 1.0))
        return p;
    return Compose(p, Byte(Red(p) * (1 + f)), Byte(Green(p) * (1 + f)), Byte(Blue(p) * (1 + f)));
}

uint32_t MixPixelsExact(uint32_t a, uint32_t b, uint32_t weightA, uint32_t total)
{
    auto channel = [&](int shift) {
        const uint64_t ca = (a >> shift) & 0xFF;
        const uint64_t cb = (b >> shift) & 0xFF;
        return uint32_t((ca * weightA + cb * (total - weightA)) / total) << shift;
    };
    return (b & ALPHA) | channel(16) | channel(8) | channel(0);
}

uint32_t ScalePixelExact(uint32_t p, uint64_t numerator, uint64_t denominator)
{
    if (denominator == 0 || numerator >= denominator)
        return p;
    auto channel = [&](int shift) { return uint32_t(((p >> shift) & 0xFF) * numerator / denominator) << shift; };
    return (p & ALPHA) | channel(16) | channel(8) | channel(0);
}

bool ProcessImagePixels(uint32_t* image, uint32_t* mask, size_t count, const uint8_t* masked, bool useMaskColour,
                        uint32_t maskColourRef, unsigned effects, uint32_t colourRef)
{
    const uint32_t maskColour = PixelFromColorref(maskColourRef);
    const uint32_t colour = PixelFromColorref(colourRef);
    bool alpha = false;
    for (size_t i = 0; i < count; ++i) {
        uint32_t p = image[i];
        alpha = alpha || (p & ALPHA) != 0;
        const bool hidden = masked ? masked[i] != 0 : useMaskColour && (p & WHITE) == maskColour;
        mask[i] = (p & ALPHA) | (hidden ? WHITE : 0);
        if (hidden) {
            image[i] = p & ALPHA;
            continue;
        }
        if (effects & IMAGE_EFFECT_GRAY)
            p = GrayPixel(p);
        if (effects & IMAGE_EFFECT_DARKEN)
            p = DarkenPixel(p, 0.75);
        if (effects & IMAGE_EFFECT_LIGHTEN)
            p = LightenPixel(p, 0.25);
        if (effects & IMAGE_EFFECT_COLOUR)
            p = (p & ALPHA) | colour;
        if (effects & IMAGE_EFFECT_INVERT)
            p = InvertPixel(p);
        image[i] = p;
    }
    return alpha;
}

void ShadowMaskPixels(const uint32_t* mask, uint32_t* shadow, size_t count, uint32_t shadowColourRef)
{
    const uint32_t colour = PixelFromColorref(shadowColourRef);
    for (size_t i = 0; i < count; ++i)
        shadow[i] = (mask[i] & WHITE) == WHITE ? WHITE : colour;
}

void MixByPercent(uint32_t* dest, const uint32_t* source, size_t count, int percent)
{
    const uint32_t weight = uint32_t(std::clamp(percent, 0, 100));
    for (size_t i = 0; i < count; ++i)
        dest[i] = MixPixelsExact(source[i], dest[i], weight, 100);
}

void MixByOwnAlpha(uint32_t* dest, const uint32_t* source, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        dest[i] = MixPixelsExact(source[i], dest[i], source[i] >> 24, 255);
}

void ScalePixels(const uint32_t* source, int sourceWidth, int sourceHeight, uint32_t* dest, int destWidth,
                 int destHeight)
{
    if (sourceWidth <= 0 || sourceHeight <= 0 || destWidth <= 0 || destHeight <= 0)
        return;
    for (int y = 0; y < destHeight; ++y) {
        // Each pixel takes the source pixel under its centre.
        const int sy = int((2 * int64_t(y) + 1) * sourceHeight / (2 * int64_t(destHeight)));
        const uint32_t* row = source + size_t(sy) * size_t(sourceWidth);
        for (int x = 0; x < destWidth; ++x)
            dest[size_t(y) * size_t(destWidth) + size_t(x)] =
                row[(2 * int64_t(x) + 1) * sourceWidth / (2 * int64_t(destWidth))];
    }
}
