#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "framework/RegionFromBitmap.h"

namespace {

// A top-down DIB section of the given depth whose pixels the test sets directly.
HBITMAP MakeBitmap(int width, int height, int bits, void*& pixels)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = static_cast<WORD>(bits);
    info.bmiHeader.biCompression = BI_RGB;
    return CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
}

} // namespace

TEST(RegionFromBitmap, CoversEveryPixelNotOfTheTransparentColour)
{
    const int width = 8;
    const int height = 4;
    void* bits = nullptr;
    HBITMAP bitmap = MakeBitmap(width, height, 32, bits);
    ASSERT_NE(nullptr, bitmap);
    auto* pixels = static_cast<std::uint32_t*>(bits);
    const std::uint32_t magenta = 0x00FF00FF; // red and blue in DIB order
    for (int i = 0; i < width * height; ++i)
        pixels[i] = magenta;
    // Row 0: a run in the middle; row 1: a run up to the right edge; row 3: the alpha byte set.
    pixels[0 * width + 2] = pixels[0 * width + 3] = 0x00000000;
    pixels[1 * width + 5] = pixels[1 * width + 6] = pixels[1 * width + 7] = 0x0000FF00;
    pixels[3 * width + 0] = 0xFF00FF00;
    pixels[3 * width + 1] = 0xFF000000 | magenta; // still transparent: alpha is not colour
    GdiFlush();

    HRGN region = RegionFromBitmapMask(bitmap, RGB(255, 0, 255));
    ASSERT_NE(nullptr, region);
    std::vector<POINT> inside = {{2, 0}, {3, 0}, {5, 1}, {6, 1}, {7, 1}, {0, 3}};
    for (const POINT& p : inside)
        EXPECT_TRUE(PtInRegion(region, p.x, p.y)) << p.x << "," << p.y;
    std::vector<POINT> outside = {{1, 0}, {4, 0}, {4, 1}, {0, 2}, {7, 2}, {1, 3}, {7, 3}};
    for (const POINT& p : outside)
        EXPECT_FALSE(PtInRegion(region, p.x, p.y)) << p.x << "," << p.y;
    RECT box;
    GetRgnBox(region, &box);
    EXPECT_EQ(0, box.left);
    EXPECT_EQ(8, box.right);
    DeleteObject(region);
    DeleteObject(bitmap);
}

TEST(RegionFromBitmap, ComparesSixteenBitPixelsInFiveFiveFiveForm)
{
    void* bits = nullptr;
    HBITMAP bitmap = MakeBitmap(4, 1, 16, bits);
    ASSERT_NE(nullptr, bitmap);
    auto* pixels = static_cast<std::uint16_t*>(bits);
    const std::uint16_t key = (0x1F << 10) | 0x1F; // magenta in 5-5-5
    pixels[0] = key;
    pixels[1] = 0x03E0; // green
    pixels[2] = key;
    pixels[3] = 0x8000 | key; // the unused top bit is not colour
    GdiFlush();
    // Low bits that 5-5-5 cannot hold do not matter: (250, 4, 253) reduces to the same key.
    HRGN region = RegionFromBitmapMask(bitmap, RGB(250, 4, 253));
    ASSERT_NE(nullptr, region);
    EXPECT_FALSE(PtInRegion(region, 0, 0));
    EXPECT_TRUE(PtInRegion(region, 1, 0));
    EXPECT_FALSE(PtInRegion(region, 2, 0));
    EXPECT_FALSE(PtInRegion(region, 3, 0));
    DeleteObject(region);
    DeleteObject(bitmap);
}

TEST(RegionFromBitmap, RefusesPalettedBitmaps)
{
    void* bits = nullptr;
    HBITMAP bitmap = MakeBitmap(4, 4, 8, bits);
    ASSERT_NE(nullptr, bitmap);
    EXPECT_EQ(nullptr, RegionFromBitmapMask(bitmap, RGB(0, 0, 0)));
    EXPECT_EQ(nullptr, RegionFromBitmapMask(nullptr, RGB(0, 0, 0)));
    DeleteObject(bitmap);
}
