#pragma once
// Soft drop shadows: a destination area darkened through a gray mask of the same size, one
// value per pixel (255 leaves the pixel, 0 makes it black). Pixels as PixelEffects.h has them.

#include <cstdint>

// Without `gradient` each destination pixel is darkened by mask / 255. With it the blur sizes
// are made odd and at least 1 and kept within the mask (the kernel's half then never passes the
// mask's half), the mask is drawn shrunk by half the blur size on each side onto white, then
// box-filtered (the area padded by half the kernel with 255) and each pixel darkened by the
// filtered value / 255.
void DarkenByShadowMask(uint32_t* dest, const uint8_t* mask, int width, int height, bool gradient, int blurX,
                        int blurY);

// The blur size actually used for a side of `side` pixels: odd, 1..side (or 1).
int ShadowKernelSize(int blur, int side);
