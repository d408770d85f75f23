#pragma once
// Background fills by effect id, the part that needs no device: the effect ids, and the plan of
// a gradient fill as solid rectangles. Colours are COLORREF values (0x00BBGGRR).

#include <cstdint>
#include <vector>

// Effect ids of CPPDrawManager::FillEffect. Any id outside 1..15 fills solid in the begin colour.
enum EFillEffect {
    FILL_EFFECT_TRANSPARENT = -1,
    FILL_EFFECT_SOLID = 0,
    FILL_EFFECT_HGRADIENT = 1,  // begin to end, left to right
    FILL_EFFECT_VGRADIENT = 2,  // begin to end, top to bottom
    FILL_EFFECT_HCGRADIENT = 3, // left half begin to end, right half end to begin
    FILL_EFFECT_VCGRADIENT = 4, // top half begin to end, bottom half end to begin
    FILL_EFFECT_3HGRADIENT = 5, // left half begin to middle, right half middle to end
    FILL_EFFECT_3VGRADIENT = 6, // top half begin to middle, bottom half middle to end
    FILL_EFFECT_NOISE = 7,      // 7..15: textures (TextureFill.h)
    FILL_EFFECT_DIAGSHADE = 8,
    FILL_EFFECT_HSHADE = 9,
    FILL_EFFECT_VSHADE = 10,
    FILL_EFFECT_HBUMP = 11,
    FILL_EFFECT_VBUMP = 12,
    FILL_EFFECT_SOFTBUMP = 13,
    FILL_EFFECT_HARDBUMP = 14,
    FILL_EFFECT_METAL = 15,
};

inline bool IsGradientEffect(int effect)
{
    return effect >= FILL_EFFECT_HGRADIENT && effect <= FILL_EFFECT_3VGRADIENT;
}
inline bool IsTextureEffect(int effect)
{
    return effect >= FILL_EFFECT_NOISE && effect <= FILL_EFFECT_METAL;
}

// One solid piece of a fill: [left, right) x [top, bottom) in `colour`.
struct SFillPiece {
    int left;
    int top;
    int right;
    int bottom;
    uint32_t colour;
};

// Band i (0..63) of a gradient from `from` to `to`: per channel (from x (64 - i) + to x i) >> 6.
uint32_t GradientBandColour(uint32_t from, uint32_t to, int band);

// The pieces that paint gradient `effect` (1..6) over the rectangle: 64 bands per gradient
// (per half for 3..6), band i covering (i x length) >> 6 to ((i + 1) x length) >> 6 along the
// axis, empty bands left out; halves split at left + width / 2 (top + height / 2). Nothing for
// another id or an empty rectangle.
std::vector<SFillPiece> GradientPieces(int effect, int left, int top, int right, int bottom, uint32_t begin,
                                       uint32_t middle, uint32_t end);
