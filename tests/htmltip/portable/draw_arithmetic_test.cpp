// The draw manager's arithmetic: gradient bands, textures, pixel effects, mixing and shadows.

#include <gtest/gtest.h>

#include <vector>

#include "htmltip/portable/GradientFill.h"
#include "htmltip/portable/PixelEffects.h"
#include "htmltip/portable/ShadowFilter.h"
#include "htmltip/portable/TextureFill.h"

namespace {
int RedOf(uint32_t colourRef)
{
    return int(colourRef & 0xFF);
}
} // namespace

TEST(GradientFill, BandsCoverTheRectangleOnceInMonotoneColours)
{
    // 32 pixels: half the 64 bands are empty, the others one pixel each, each its own colour.
    auto pieces = GradientPieces(FILL_EFFECT_HGRADIENT, 10, 5, 42, 9, 0x000000, 0, 0x0000FF);
    ASSERT_EQ(32u, pieces.size());
    for (size_t i = 0; i < pieces.size(); ++i) {
        EXPECT_EQ(10 + int(i), pieces[i].left);
        EXPECT_EQ(pieces[i].left + 1, pieces[i].right);
        EXPECT_EQ(5, pieces[i].top);
        EXPECT_EQ(9, pieces[i].bottom);
        if (i > 0) {
            EXPECT_GT(RedOf(pieces[i].colour), RedOf(pieces[i - 1].colour));
        }
    }
    // Band 0 is one of the empty ones: the first shown is band 1.
    EXPECT_EQ(255 >> 6, RedOf(pieces.front().colour));
    EXPECT_EQ((255 * 63) >> 6, RedOf(pieces.back().colour));

    // Long sides: 64 bands that tile the axis without gaps.
    pieces = GradientPieces(FILL_EFFECT_VGRADIENT, 0, 0, 3, 1000, 0xFFFFFF, 0, 0);
    ASSERT_EQ(64u, pieces.size());
    for (size_t i = 1; i < pieces.size(); ++i)
        EXPECT_EQ(pieces[i - 1].bottom, pieces[i].top);
    EXPECT_EQ(1000, pieces.back().bottom);

    // Solid, textures and empty rectangles are no gradients.
    for (int effect : {-1, 0, 7, 15, 16})
        EXPECT_TRUE(GradientPieces(effect, 0, 0, 10, 10, 1, 2, 3).empty());
    EXPECT_TRUE(GradientPieces(FILL_EFFECT_HGRADIENT, 10, 0, 10, 10, 1, 2, 3).empty());
    EXPECT_TRUE(GradientPieces(FILL_EFFECT_HGRADIENT, 0, 10, 10, 5, 1, 2, 3).empty());
}

TEST(GradientFill, CentredGradientsAreSymmetricAndThreeColourOnesMeetInTheMiddle)
{
    for (int effect : {FILL_EFFECT_HCGRADIENT, FILL_EFFECT_VCGRADIENT}) {
        const auto pieces = GradientPieces(effect, 0, 0, 128, 128, 0x0000FF, 0x00FF00, 0x000000);
        ASSERT_EQ(128u, pieces.size());
        // Mirror images about the middle band, which is the end colour.
        EXPECT_EQ(0u, pieces[64].colour);
        for (size_t j = 1; j < 64; ++j)
            EXPECT_EQ(pieces[64 - j].colour, pieces[64 + j].colour) << effect << " band " << j;
        EXPECT_EQ(0x0000FFu, pieces[0].colour);
    }
    // The split is at left + width / 2: an odd width gives the extra pixel to the second half.
    const auto pieces = GradientPieces(FILL_EFFECT_3HGRADIENT, 100, 0, 165, 1, 0x0000FF, 0x00FF00, 0xFF0000);
    int firstHalfEnd = 0; // the second half (middle to end) is the one with blue in it
    for (const SFillPiece& p : pieces) {
        if ((p.colour & 0xFF0000) && firstHalfEnd == 0)
            firstHalfEnd = p.left;
    }
    EXPECT_EQ(132, firstHalfEnd);
    EXPECT_EQ(165, pieces.back().right);
}

TEST(TextureFill, PaletteRunsFromEndThroughMiddleToBegin)
{
    CPackedDib canvas;
    ASSERT_NE(nullptr, canvas.Create(4, 4, 8));
    SetTexturePalette(canvas, 0x0000FF /* begin: red */, 0x00FF00, 0xFF0000 /* end: blue */, 0);
    const uint8_t* palette = canvas.GetBuffer() + sizeof(SDibHeader); // blue, green, red, 0
    EXPECT_EQ(255, palette[0]);                                       // entry 0: the end colour
    EXPECT_EQ(0, palette[2]);                                         //
    EXPECT_GE(palette[4 * 128 + 1], 250);                             // about the middle
    EXPECT_EQ(255, palette[4 * 255 + 2]);                             // entry 255: the begin colour
    EXPECT_EQ(0, palette[4 * 255 + 0]);
    // Blending moves everything towards the begin colour.
    SetTexturePalette(canvas, 0x0000FF, 0x00FF00, 0xFF0000, 100);
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(255, palette[4 * i + 2]) << i;
}

TEST(TextureFill, EveryTextureFillsNarrowAndLowCanvasesWithoutFault)
{
    CTextureRandom random(7);
    for (int effect = FILL_EFFECT_NOISE; effect <= FILL_EFFECT_METAL; ++effect) {
        for (int w : {1, 2, 5, 6, 100}) {
            for (int h : {1, 2, 5, 6, 100}) {
                for (int granularity : {0, 5, 255}) {
                    CPackedDib canvas;
                    ASSERT_NE(nullptr, canvas.Create(w, h, 8));
                    canvas.Clear(0xAA);
                    GenerateTexture(canvas, effect, uint8_t(granularity), random);
                }
            }
        }
    }
    // Without noise the shades follow their axis, the bumps are symmetric about the middle.
    CPackedDib canvas;
    ASSERT_NE(nullptr, canvas.Create(1, 101, 8));
    GenerateTexture(canvas, FILL_EFFECT_HSHADE, 0, random);
    const uint8_t* bits = canvas.GetBits(); // bottom row first, 4 bytes a row
    EXPECT_EQ(0, bits[4 * 100]);            // top
    EXPECT_EQ(252, bits[0]);                // bottom: 255 x 100 / 101
    GenerateTexture(canvas, FILL_EFFECT_HBUMP, 0, random);
    EXPECT_EQ(128, bits[4 * 50]);
    EXPECT_LT(bits[4 * 100], 10);
    EXPECT_GT(bits[0], 245);
    // Noise stays within the granularity of its base.
    ASSERT_NE(nullptr, canvas.Create(50, 50, 8));
    GenerateTexture(canvas, FILL_EFFECT_NOISE, 10, random);
    for (int y = 0; y < 50; ++y) {
        for (int x = 0; x < 50; ++x) {
            EXPECT_GE(canvas.GetBits()[y * canvas.GetLineWidth() + x], 118);
            EXPECT_LE(canvas.GetBits()[y * canvas.GetLineWidth() + x], 138);
        }
    }
    // Canvases that are no 8-bit ones, and other ids, are left alone.
    ASSERT_NE(nullptr, canvas.Create(2, 2, 32));
    GenerateTexture(canvas, FILL_EFFECT_METAL, 0, random);
    ASSERT_NE(nullptr, canvas.Create(2, 2, 8));
    canvas.Clear(3);
    GenerateTexture(canvas, FILL_EFFECT_HGRADIENT, 0, random);
    EXPECT_EQ(3, canvas.GetBits()[0]);
}

TEST(PixelEffects, EffectsApplyInOrderOnShownPixelsAndKeepAlpha)
{
    EXPECT_EQ(0x80E1E1E1u, GrayPixel(0x80FFFF00u));
    EXPECT_EQ(0x004C4C4Cu, GrayPixel(0x00FF0000u));         // 0.299 x 255 = 76.2
    EXPECT_EQ(0x12FF00EEu, InvertPixel(0x1200FF11u));       //
    EXPECT_EQ(0x00604830u, DarkenPixel(0x00806040u, 0.75)); // each channel x 0.75
    EXPECT_EQ(0x00806040u, DarkenPixel(0x00806040u, 1.0));  // outside 0 <= f < 1: unchanged
    EXPECT_EQ(0x00A07850u, LightenPixel(0x00806040u, 0.25));
    EXPECT_EQ(0x00FFFFFFu, LightenPixel(0x00F0F0F0u, 1.0)); // capped
    EXPECT_EQ(0x00806040u, LightenPixel(0x00806040u, 0.0));
    EXPECT_EQ(0x11402010u, MixPixelsExact(0x00804020u, 0x11000000u, 1, 2));

    // A 2x2 image whose first pixel has the mask colour (COLORREF 0xFF00FF is magenta either way).
    uint32_t image[4] = {0x00FF00FFu, 0x00806040u, 0x00FF0000u, 0x01000000u};
    uint32_t mask[4];
    EXPECT_TRUE(
        ProcessImagePixels(image, mask, 4, nullptr, true, 0xFF00FF, IMAGE_EFFECT_DARKEN | IMAGE_EFFECT_INVERT, 0));
    EXPECT_EQ(0x00FFFFFFu, mask[0]);
    EXPECT_EQ(0x00000000u, image[0]);
    EXPECT_EQ(0u, mask[1] & 0xFFFFFF);
    EXPECT_EQ(InvertPixel(DarkenPixel(0x00806040u, 0.75)), image[1]);
    EXPECT_EQ(0x01FFFFFFu, image[3]); // alpha kept, black inverted

    // The colour effect replaces before the inversion; a given masked set wins over the colour.
    uint32_t icon[2] = {0x00123456u, 0x00123456u};
    const uint8_t hidden[2] = {1, 0};
    EXPECT_FALSE(ProcessImagePixels(icon, mask, 2, hidden, false, 0, IMAGE_EFFECT_COLOUR | IMAGE_EFFECT_INVERT,
                                    0x000000FF /* red */));
    EXPECT_EQ(0u, icon[0]);
    EXPECT_EQ(0x0000FFFFu, icon[1]); // red inverted: cyan
    uint32_t shadow[2];
    ShadowMaskPixels(mask, shadow, 2, 0x00808080);
    EXPECT_EQ(0x00FFFFFFu, shadow[0]);
    EXPECT_EQ(0x00808080u, shadow[1]);
}

TEST(PixelEffects, MixingByPercentAndByOwnAlpha)
{
    uint32_t dest[3] = {0x00000000u, 0x00FFFFFFu, 0x00204060u};
    const uint32_t source[3] = {0x00C8C8C8u, 0x00000000u, 0x00204060u};
    MixByPercent(dest, source, 3, 50);
    EXPECT_EQ(0x00646464u, dest[0]);
    EXPECT_EQ(0x007F7F7Fu, dest[1]);
    EXPECT_EQ(0x00204060u, dest[2]);
    MixByPercent(dest, source, 3, 150); // capped: a copy
    EXPECT_EQ(0x00C8C8C8u, dest[0]);

    uint32_t under[3] = {0x00FFFFFFu, 0x00FFFFFFu, 0x00FFFFFFu};
    const uint32_t over[3] = {0xFF000000u, 0x00000000u, 0x80000000u};
    MixByOwnAlpha(under, over, 3);
    EXPECT_EQ(0x00000000u, under[0]);
    EXPECT_EQ(0x00FFFFFFu, under[1]);
    EXPECT_EQ(0x007F7F7Fu, under[2]);

    // Nearest-neighbour scaling doubles each pixel.
    const uint32_t small[4] = {1, 2, 3, 4};
    uint32_t big[16] = {};
    ScalePixels(small, 2, 2, big, 4, 4);
    EXPECT_EQ((std::vector<uint32_t>{1, 1, 2, 2, 1, 1, 2, 2, 3, 3, 4, 4, 3, 3, 4, 4}),
              std::vector<uint32_t>(big, big + 16));
}

TEST(ShadowFilter, DarkensUnderTheMaskSoftlyAndClampsTheKernel)
{
    // 9x9 white area with a black 3x3 square in the middle.
    const int side = 9;
    std::vector<uint8_t> mask(side * side, 255);
    for (int y = 3; y < 6; ++y)
        for (int x = 3; x < 6; ++x)
            mask[y * side + x] = 0;
    auto shadowOf = [&](bool gradient, int blurX, int blurY) {
        std::vector<uint32_t> dest(side * side, 0x00C8C8C8u);
        DarkenByShadowMask(dest.data(), mask.data(), side, side, gradient, blurX, blurY);
        std::vector<int> level(dest.size());
        for (size_t i = 0; i < dest.size(); ++i)
            level[i] = int(dest[i] & 0xFF);
        return level;
    };
    // Hard: black under the square, untouched elsewhere.
    auto hard = shadowOf(false, 0, 0);
    EXPECT_EQ(0, hard[4 * side + 4]);
    EXPECT_EQ(0xC8, hard[0]);
    // Soft: darkest at the centre, lighter outwards, untouched far away, symmetric.
    auto soft = shadowOf(true, 3, 3);
    EXPECT_LT(soft[4 * side + 4], soft[4 * side + 3]);
    EXPECT_LT(soft[4 * side + 3], 0xC8);
    EXPECT_EQ(0xC8, soft[0]);
    EXPECT_EQ(soft[4 * side + 2], soft[4 * side + 6]);
    EXPECT_EQ(soft[2 * side + 4], soft[6 * side + 4]);
    // An even blur is taken as the next odd one.
    EXPECT_EQ(soft, shadowOf(true, 2, 2));
    // Kernels of no size or larger than the area are clamped; nothing is read outside.
    for (auto [bx, by] : {std::pair{0, 0}, {-7, 3}, {100, 100}, {9, 1000}, {1 << 30, 1 << 30}}) {
        auto level = shadowOf(true, bx, by);
        for (int v : level) {
            EXPECT_GE(v, 0);
            EXPECT_LE(v, 0xC8);
        }
    }
    EXPECT_EQ(1, ShadowKernelSize(0, 9));
    EXPECT_EQ(9, ShadowKernelSize(100, 9));
    EXPECT_EQ(9, ShadowKernelSize(100, 10));
    EXPECT_EQ(1, ShadowKernelSize(5, 1));
    EXPECT_EQ(7, ShadowKernelSize(6, 100));
}
