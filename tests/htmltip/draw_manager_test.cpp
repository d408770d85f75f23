// The draw manager and the texture canvas on GDI: what lands in a canvas's pixels.

#include <gtest/gtest.h>

#include <vector>

#include "framework/GdiObject.h"
#include "framework/Icon.h"
#include "htmltip/CeXDib.h"
#include "htmltip/DibSection32.h"
#include "htmltip/PPDrawManager.h"
#include "window/Canvas.h"

using windowtest::CTestCanvas;

namespace {

const COLORREF kBack = RGB(200, 200, 200);

// An owned bitmap of width x height in one pixel value (0xAARRGGBB), with `spot` at (1, 1).
HBITMAP MakeBitmap(int width, int height, uint32_t fill, uint32_t spot)
{
    std::vector<uint32_t> pixels(size_t(width) * height, fill);
    pixels[width + 1] = spot;
    return CreatePixelBitmap(pixels.data(), width, height, 32);
}

// An icon of side x side in `colour` whose left half its mask hides.
CIcon MakeIcon(int side, uint32_t colour)
{
    std::vector<uint32_t> picture(size_t(side) * side, colour);
    std::vector<uint32_t> mask(picture.size(), 0);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side / 2; ++x)
            mask[y * side + x] = 0xFFFFFF;
    CGdiObject colourBitmap;
    CGdiObject maskBitmap;
    colourBitmap.Attach(CreatePixelBitmap(picture.data(), side, side, 32));
    maskBitmap.Attach(CreatePixelBitmap(mask.data(), side, side, 1));
    ICONINFO info = {TRUE, 0, 0, static_cast<HBITMAP>(maskBitmap.GetSafeHandle()),
                     static_cast<HBITMAP>(colourBitmap.GetSafeHandle())};
    return CIcon(CreateIconIndirect(&info));
}

bool IsGray(COLORREF c)
{
    return GetRValue(c) == GetGValue(c) && GetGValue(c) == GetBValue(c);
}

} // namespace

TEST(CeXDib, DrawShowsThePaletteColoursAndLaterChanges)
{
    CTestCanvas canvas(8, 4, RGB(1, 2, 3));
    CCeXDib dib;
    EXPECT_FALSE(dib.Draw(canvas.Dc(), 0, 0)) << "an empty bitmap draws nothing";
    ASSERT_NE(nullptr, dib.Create(3, 2, 8));
    dib.SetPaletteIndex(1, 255, 0, 0);
    dib.SetPaletteIndex(2, 0, 0, 255);
    dib.Clear(1);
    dib.SetPixelIndex(2, 1, 2);
    ASSERT_TRUE(dib.Draw(canvas.Dc(), 4, 1));
    EXPECT_EQ(RGB(255, 0, 0), canvas.Pixel(4, 1));
    EXPECT_EQ(RGB(0, 0, 255), canvas.Pixel(6, 2));
    EXPECT_EQ(RGB(1, 2, 3), canvas.Pixel(7, 1));
    EXPECT_EQ(6, canvas.Count(RGB(255, 0, 0)) + canvas.Count(RGB(0, 0, 255)));
    // The same section again, with the pixels and palette as they are now.
    dib.SetPixelIndex(0, 0, 2);
    dib.SetPaletteIndex(1, 0, 255, 0);
    ASSERT_TRUE(dib.Draw(canvas.Dc(), 0, 0));
    EXPECT_EQ(RGB(0, 0, 255), canvas.Pixel(0, 0));
    EXPECT_EQ(RGB(0, 255, 0), canvas.Pixel(1, 0));
    // A new Create makes a new section of the new size.
    ASSERT_NE(nullptr, dib.Create(1, 1, 8));
    dib.SetPaletteIndex(0, 9, 9, 9);
    canvas.Fill(RGB(1, 2, 3));
    ASSERT_TRUE(dib.Draw(canvas.Dc(), 0, 0));
    EXPECT_EQ(1, canvas.Count(RGB(9, 9, 9)));
}

TEST(DrawManager, FillEffectsCoverTheRectangleOnly)
{
    CPPDrawManager draw;
    CTestCanvas canvas(80, 40, kBack);
    const RECT area = {10, 5, 74, 35};
    for (int effect : {-1, 0, 99}) {
        canvas.Fill(kBack);
        draw.FillEffect(canvas.Dc(), effect, area, RGB(0, 128, 255), RGB(255, 0, 0), RGB(0, 255, 0));
        EXPECT_EQ(64 * 30, canvas.Count(RGB(0, 128, 255), area)) << effect;
    }
    // A horizontal gradient: one colour per column, red rising from left to right.
    canvas.Fill(kBack);
    draw.FillEffect(canvas.Dc(), FILL_EFFECT_HGRADIENT, area, RGB(0, 0, 0), 0, RGB(255, 0, 0));
    for (int x = area.left + 1; x < area.right; ++x) {
        EXPECT_GT(GetRValue(canvas.Pixel(x, 20)), GetRValue(canvas.Pixel(x - 1, 20)));
        EXPECT_EQ(canvas.Pixel(x, area.top), canvas.Pixel(x, area.bottom - 1));
    }
    // Every texture paints every pixel of the rectangle from its palette (here: shades of gray
    // between black and white) and nothing outside it.
    for (int effect = FILL_EFFECT_NOISE; effect <= FILL_EFFECT_METAL; ++effect) {
        canvas.Fill(RGB(255, 0, 0));
        draw.FillEffect(canvas.Dc(), effect, area, RGB(255, 255, 255), RGB(128, 128, 128), RGB(0, 0, 0), 5, 5);
        EXPECT_EQ(0, canvas.Count(RGB(255, 0, 0), area)) << effect;
        EXPECT_EQ(80 * 40 - 64 * 30, canvas.Count(RGB(255, 0, 0))) << effect;
        for (int x = area.left; x < area.right; x += 7)
            EXPECT_TRUE(IsGray(canvas.Pixel(x, 17))) << effect;
    }
    // Empty rectangles draw nothing.
    canvas.Fill(kBack);
    draw.FillEffect(canvas.Dc(), FILL_EFFECT_METAL, RECT{10, 10, 10, 20}, 0);
    draw.FillEffect(canvas.Dc(), FILL_EFFECT_SOLID, RECT{10, 20, 20, 10}, 0);
    EXPECT_EQ(80 * 40, canvas.Count(kBack));
}

TEST(DrawManager, FramesAndLines)
{
    CPPDrawManager draw;
    CTestCanvas canvas(40, 40, kBack);
    const COLORREF light = RGB(255, 255, 255);
    const COLORREF dark = RGB(0, 0, 0);
    draw.DrawRectangle(canvas.Dc(), RECT{0, 0, 40, 40}, light, dark, 0, 1);
    draw.DrawRectangle(canvas.Dc(), RECT{0, 0, 40, 40}, light, dark, 1, 0);
    EXPECT_EQ(40 * 40, canvas.Count(kBack)) << "style 0 or width 0 draws nothing";

    draw.DrawRectangle(canvas.Dc(), 10, 10, 30, 30, light, dark, 1, 1);
    EXPECT_EQ(light, canvas.Pixel(10, 20));
    EXPECT_EQ(light, canvas.Pixel(20, 10));
    EXPECT_EQ(dark, canvas.Pixel(29, 20));
    EXPECT_EQ(dark, canvas.Pixel(20, 29));
    EXPECT_EQ(kBack, canvas.Pixel(11, 20));
    EXPECT_EQ(kBack, canvas.Pixel(30, 20));

    canvas.Fill(kBack);
    draw.DrawRectangle(canvas.Dc(), RECT{10, 10, 30, 30}, light, light, 6, 1);
    // Two frames 2 pixels apart: 10 and 12 on the left, 29 and 27 on the right.
    for (int x : {10, 12, 27, 29})
        EXPECT_EQ(light, canvas.Pixel(x, 20)) << x;
    for (int x : {11, 13, 26, 28})
        EXPECT_EQ(kBack, canvas.Pixel(x, 20)) << x;

    canvas.Fill(kBack);
    draw.DrawLine(canvas.Dc(), 5, 5, 35, 5, dark, 6, 1);
    draw.DrawLine(canvas.Dc(), 5, 20, 5, 35, dark, 6, 1);
    EXPECT_EQ(dark, canvas.Pixel(20, 5));
    EXPECT_EQ(dark, canvas.Pixel(20, 7)) << "the second line of a horizontal double lies below";
    EXPECT_EQ(dark, canvas.Pixel(7, 30)) << "and of any other, to the right";
    EXPECT_EQ(kBack, canvas.Pixel(20, 6));
}

TEST(DrawManager, ImagesHonourMaskEffectsAlphaAndShadow)
{
    CPPDrawManager draw;
    CTestCanvas canvas(60, 40, kBack);
    const uint32_t magenta = 0x00FF00FF;
    CGdiObject allMask;
    allMask.Attach(MakeBitmap(8, 8, magenta, magenta));
    draw.DrawImage(canvas.Dc(), 5, 5, 16, 16, static_cast<HBITMAP>(allMask.GetSafeHandle()), true, RGB(255, 0, 255));
    EXPECT_EQ(60 * 40, canvas.Count(kBack)) << "a bitmap all in its mask colour changes nothing";
    EXPECT_FALSE(draw.LastImageHadAlpha());

    // Masked spot, stretched twice: a 2x2 hole in a 16x16 square; gray effect on red.
    CGdiObject spotted;
    spotted.Attach(MakeBitmap(8, 8, 0x00FF0000, magenta));
    draw.DrawImage(canvas.Dc(), 5, 5, 16, 16, static_cast<HBITMAP>(spotted.GetSafeHandle()), true, RGB(255, 0, 255),
                   IMAGE_EFFECT_GRAY);
    EXPECT_EQ(16 * 16 - 4, canvas.Count(RGB(76, 76, 76)));
    EXPECT_EQ(kBack, canvas.Pixel(7, 7));

    // A plain shadow right and below the shape, in the shadow's darkness; none above or left.
    canvas.Fill(kBack);
    CGdiObject square;
    square.Attach(MakeBitmap(10, 10, 0x000000FF, 0x000000FF));
    draw.DrawImage(canvas.Dc(), 10, 10, 10, 10, static_cast<HBITMAP>(square.GetSafeHandle()), false, 0,
                   IMAGE_EFFECT_SHADOW, true, 4, 4, 3, 3, RGB(128, 128, 128));
    EXPECT_EQ(RGB(0, 0, 255), canvas.Pixel(15, 15));
    EXPECT_EQ(RGB(100, 100, 100), canvas.Pixel(22, 22));
    EXPECT_EQ(kBack, canvas.Pixel(9, 15));
    EXPECT_EQ(kBack, canvas.Pixel(15, 9));
    EXPECT_EQ(kBack, canvas.Pixel(24, 12));
    // Shadow on without a shadow flag moves the image itself.
    canvas.Fill(kBack);
    draw.DrawImage(canvas.Dc(), 10, 10, 10, 10, static_cast<HBITMAP>(square.GetSafeHandle()), false, 0, 0, true, 4, 4,
                   3, 3, RGB(128, 128, 128));
    EXPECT_EQ(canvas.Bounds(RGB(0, 0, 255)).left, 14);

    // Alpha bytes blend the image by them: half-transparent black over the background.
    canvas.Fill(kBack);
    CGdiObject half;
    half.Attach(MakeBitmap(4, 4, 0x80000000, 0x80000000));
    draw.DrawImage(canvas.Dc(), 0, 0, 4, 4, static_cast<HBITMAP>(half.GetSafeHandle()), false, 0);
    EXPECT_TRUE(draw.LastImageHadAlpha());
    EXPECT_EQ(RGB(99, 99, 99), canvas.Pixel(2, 2));

    // The second frame of a 3-frame strip, and nothing for frames outside it.
    canvas.Fill(kBack);
    std::vector<uint32_t> strip(12 * 4, 0x00FF0000);
    for (int y = 0; y < 4; ++y)
        for (int x = 4; x < 8; ++x)
            strip[y * 12 + x] = 0x0000FF00;
    CGdiObject stripBitmap;
    stripBitmap.Attach(CreatePixelBitmap(strip.data(), 12, 4, 32));
    const HBITMAP frames = static_cast<HBITMAP>(stripBitmap.GetSafeHandle());
    draw.DrawImageListFrame(canvas.Dc(), 0, 0, 4, 4, frames, 1, 4, 4, false, 0);
    EXPECT_EQ(16, canvas.Count(RGB(0, 255, 0)));
    for (auto [index, cx, cy] : {std::tuple{3, 4, 4}, {-1, 4, 4}, {0, 0, 4}, {0, 4, -1}, {0, 13, 4}})
        draw.DrawImageListFrame(canvas.Dc(), 20, 0, 4, 4, frames, index, cx, cy, false, 0);
    EXPECT_EQ(0, canvas.Count(RGB(255, 0, 0)));
    EXPECT_EQ(CSize(12, 4), CPPDrawManager::GetBitmapSize(frames));
    EXPECT_EQ(CSize(0, 0), CPPDrawManager::GetBitmapSize(nullptr));
}

TEST(DrawManager, IconsAreMeasuredResizedAndDrawnThroughTheirMask)
{
    CIcon icon = MakeIcon(32, 0x0000FF00);
    ASSERT_NE(nullptr, icon.GetSafeHandle());
    EXPECT_EQ(CSize(32, 32), CPPDrawManager::GetIconSize(icon));
    EXPECT_EQ(CSize(0, 0), CPPDrawManager::GetIconSize(nullptr));

    CIcon small(CPPDrawManager::ResizeIcon(icon, 16, 16));
    ASSERT_NE(nullptr, small.GetSafeHandle());
    EXPECT_EQ(CSize(16, 16), CPPDrawManager::GetIconSize(small));

    CPPDrawManager draw;
    CTestCanvas canvas(40, 40, kBack);
    draw.DrawIcon(canvas.Dc(), 0, 0, 16, 16, small, IMAGE_EFFECT_INVERT);
    EXPECT_EQ(8 * 16, canvas.Count(RGB(255, 0, 255))) << "the right half, inverted green";
    EXPECT_EQ(kBack, canvas.Pixel(3, 3));
    draw.DrawIcon(canvas.Dc(), 20, 20, 8, 8, icon, IMAGE_EFFECT_COLOUR, false, 0, 0, 0, 0, RGB(0, 0, 255));
    EXPECT_EQ(4 * 8, canvas.Count(RGB(0, 0, 255)));
}

TEST(DrawManager, AlphaBitBltMixesAndShadowsDarkenBelowAndRightOnly)
{
    CPPDrawManager draw;
    CTestCanvas under(20, 20, RGB(0, 0, 0));
    CTestCanvas over(20, 20, RGB(200, 100, 50));
    draw.AlphaBitBlt(under.Dc(), 0, 0, 10, 20, over.Dc(), 0, 0, 50);
    EXPECT_EQ(RGB(100, 50, 25), under.Pixel(5, 5));
    EXPECT_EQ(RGB(0, 0, 0), under.Pixel(15, 5));
    draw.AlphaBitBlt(under.Dc(), 10, 0, 10, 20, over.Dc(), 0, 0, 100);
    EXPECT_EQ(RGB(200, 100, 50), under.Pixel(15, 5));

    // A gray mask square drawn soft at an offset, as the balloon's shadow is.
    CTestCanvas canvas(60, 60, kBack);
    std::vector<uint32_t> mask(30 * 30, 0x00FFFFFF);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 30; ++x)
            if (x >= 4 && x < 26 && y >= 4 && y < 26)
                mask[y * 30 + x] = 0x00808080;
    CGdiObject maskBitmap;
    maskBitmap.Attach(CreatePixelBitmap(mask.data(), 30, 30, 32));
    draw.DrawShadow(canvas.Dc(), 16, 16, 30, 30, static_cast<HBITMAP>(maskBitmap.GetSafeHandle()), true, 7, 7);
    EXPECT_LT(GetRValue(canvas.Pixel(31, 31)), 120);
    EXPECT_GT(GetRValue(canvas.Pixel(31, 31)), 0);
    const RECT aboveLeft = {0, 0, 60, 16};
    const RECT left = {0, 0, 16, 60};
    EXPECT_EQ(60 * 16, canvas.Count(kBack, aboveLeft));
    EXPECT_EQ(60 * 16, canvas.Count(kBack, left));
}
