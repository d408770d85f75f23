#include "htmltip/portable/GradientFill.h"

namespace {
constexpr int BANDS = 64;

// Appends the bands from `from` to `to` over [start, start + length) of one axis.
void AppendBands(std::vector<SFillPiece>& pieces, bool horizontal, int start, int length, int crossStart, int crossEnd,
                 uint32_t from, uint32_t to)
{
    if (length <= 0 || crossEnd <= crossStart)
        return;
    for (int i = 0; i < BANDS; ++i) {
        // 64 bits: the rectangle's sides are any int.
        const int a = start + int((int64_t(i) * length) >> 6);
        const int b = start + int((int64_t(i + 1) * length) >> 6);
        if (a == b)
            continue;
        const uint32_t colour = GradientBandColour(from, to, i);
        if (horizontal)
            pieces.push_back(SFillPiece{a, crossStart, b, crossEnd, colour});
        else
            pieces.push_back(SFillPiece{crossStart, a, crossEnd, b, colour});
    }
}
} // namespace

uint32_t GradientBandColour(uint32_t from, uint32_t to, int band)
{
    uint32_t colour = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        const uint32_t f = (from >> shift) & 0xFF;
        const uint32_t t = (to >> shift) & 0xFF;
        colour |= (((f * uint32_t(BANDS - band) + t * uint32_t(band)) >> 6) & 0xFF) << shift;
    }
    return colour;
}

std::vector<SFillPiece> GradientPieces(int effect, int left, int top, int right, int bottom, uint32_t begin,
                                       uint32_t middle, uint32_t end)
{
    std::vector<SFillPiece> pieces;
    if (!IsGradientEffect(effect) || right <= left || bottom <= top)
        return pieces;
    const bool horizontal =
        effect == FILL_EFFECT_HGRADIENT || effect == FILL_EFFECT_HCGRADIENT || effect == FILL_EFFECT_3HGRADIENT;
    const int start = horizontal ? left : top;
    const int length = horizontal ? right - left : bottom - top;
    const int crossStart = horizontal ? top : left;
    const int crossEnd = horizontal ? bottom : right;
    if (effect == FILL_EFFECT_HGRADIENT || effect == FILL_EFFECT_VGRADIENT) {
        AppendBands(pieces, horizontal, start, length, crossStart, crossEnd, begin, end);
        return pieces;
    }
    const int half = length / 2;
    const bool centred = effect == FILL_EFFECT_HCGRADIENT || effect == FILL_EFFECT_VCGRADIENT;
    AppendBands(pieces, horizontal, start, half, crossStart, crossEnd, begin, centred ? end : middle);
    AppendBands(pieces, horizontal, start + half, length - half, crossStart, crossEnd, centred ? end : middle,
                centred ? begin : end);
    return pieces;
}
