#pragma once
// The draw manager's per-pixel work on 32-bit pixels as a DIB section holds them: 0xAARRGGBB
// (blue, green, red, alpha in memory). The operations change red, green and blue and keep the
// alpha byte. COLORREF arguments (0x00BBGGRR) are named so.

#include <cstddef>
#include <cstdint>

// Effect flags of DrawImage and DrawIcon, applied in this order: gray, darken, lighten,
// colour, then invert.
enum EImageEffect : unsigned {
    IMAGE_EFFECT_GRAY = 0x1,
    IMAGE_EFFECT_DARKEN = 0x2,  // by 0.75
    IMAGE_EFFECT_LIGHTEN = 0x4, // by 0.25
    IMAGE_EFFECT_COLOUR = 0x8,  // every shown pixel becomes the given colour
    IMAGE_EFFECT_SHADOW = 0x100,
    IMAGE_EFFECT_GRADIENT_SHADOW = 0x200,
    IMAGE_EFFECT_INVERT = 0x8000,
};

// 0x00BBGGRR <-> 0x00RRGGBB.
inline uint32_t PixelFromColorref(uint32_t colour)
{
    return ((colour & 0xFF) << 16) | (colour & 0xFF00) | ((colour >> 16) & 0xFF);
}
inline uint32_t ColorrefFromPixel(uint32_t pixel)
{
    return PixelFromColorref(pixel & 0xFFFFFF);
}

// (uint8)(0.299 R + 0.587 G + 0.114 B) in all three channels.
uint32_t GrayPixel(uint32_t pixel);
// 255 - each channel.
uint32_t InvertPixel(uint32_t pixel);
// Each channel x f for 0 <= f < 1; otherwise unchanged.
uint32_t DarkenPixel(uint32_t pixel, double f);
// Each channel x (1 + f), at most 255, for 0 < f <= 1; otherwise unchanged.
uint32_t LightenPixel(uint32_t pixel, double f);
// mix(a, fa, b, 1 - fa) with fa = weightA / total: each channel (a x weightA + b x (total -
// weightA)) / total, weightA <= total; the alpha byte is b's.
uint32_t MixPixelsExact(uint32_t a, uint32_t b, uint32_t weightA, uint32_t total);
// Darkening by a fraction in integers: each channel x numerator / denominator when that is
// below 1; otherwise unchanged.
uint32_t ScalePixelExact(uint32_t p, uint64_t numerator, uint64_t denominator);

// The pixel processing of DrawImage and DrawIcon over `count` pixels. A pixel is masked where
// `masked` is not 0 (null: none); otherwise, when `useMaskColour`, where its colour equals
// `maskColourRef`. On return `mask` holds white for masked pixels and black for the others, and
// `image` black for masked pixels and the others through `effects` (with `colourRef` for the
// colour effect). Alpha bytes are kept. True when any pixel has a non-zero alpha byte.
bool ProcessImagePixels(uint32_t* image, uint32_t* mask, size_t count, const uint8_t* masked, bool useMaskColour,
                        uint32_t maskColourRef, unsigned effects, uint32_t colourRef);

// A shadow mask from the processed mask: white where it is white, the shadow colour elsewhere.
void ShadowMaskPixels(const uint32_t* mask, uint32_t* shadow, size_t count, uint32_t shadowColourRef);

// dest = mix(source, percent / 100, dest, 1 - percent / 100); percent capped to 0..100.
void MixByPercent(uint32_t* dest, const uint32_t* source, size_t count, int percent);
// dest = mix(source, f, dest, 1 - f) with f = the source pixel's alpha / 255.
void MixByOwnAlpha(uint32_t* dest, const uint32_t* source, size_t count);

// Nearest-neighbour scaling of a top-down pixel block.
void ScalePixels(const uint32_t* source, int sourceWidth, int sourceHeight, uint32_t* dest, int destWidth,
                 int destHeight);
