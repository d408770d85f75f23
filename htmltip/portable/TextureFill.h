#pragma once
// The generated textures of the fill effects 7..15 (GradientFill.h): a 256-entry palette from
// the end colour through the middle colour to the begin colour, and pixel values made by formula
// with some noise. Colours are COLORREF values (0x00BBGGRR).

#include <cstdint>

#include "htmltip/portable/PackedDib.h"

// The textures' noise: a small linear congruential generator giving 0..32767, as the C
// library's rand() does on Windows (glibc's goes much higher). Any seed will do.
class CTextureRandom {
public:
    explicit CTextureRandom(uint32_t seed = 1) : m_state(seed) {}
    int Next()
    {
        m_state = m_state * 214013u + 2531011u;
        return int((m_state >> 16) & 0x7FFF);
    }

private:
    uint32_t m_state;
};

constexpr int TEXTURE_RANDOM_MAX = 32767;

// Entries 0..128 from `end` to `middle`, 128..255 from `middle` to `begin`, then every entry
// blended `blendPercent` towards `begin`. Nothing without a 256-entry palette.
void SetTexturePalette(CPackedDib& canvas, uint32_t begin, uint32_t middle, uint32_t end, int blendPercent);

// Fills the pixels of an 8-bit canvas with texture `effect` (7..15) at `granularity` (the
// noise's amplitude, 0..255). Nothing for another id or another canvas; every divisor is
// guarded, so a canvas of one pixel's width or height is filled too.
void GenerateTexture(CPackedDib& canvas, int effect, uint8_t granularity, CTextureRandom& random);
