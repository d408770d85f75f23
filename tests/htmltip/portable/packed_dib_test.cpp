// The packed bitmap behind the texture canvas: its layout, its palette and its refusals.

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <tuple>
#include <utility>

#include "htmltip/portable/PackedDib.h"

namespace {
const uint8_t* PaletteEntry(const CPackedDib& dib, int i)
{
    return dib.GetBuffer() + sizeof(SDibHeader) + 4 * i;
}
} // namespace

TEST(PackedDib, LaysOutHeaderPaletteAndRowsAsWindowsDoes)
{
    CPackedDib dib;
    ASSERT_NE(nullptr, dib.Create(3, 2, 8));
    EXPECT_EQ(4, dib.GetLineWidth());
    EXPECT_EQ(256, dib.GetNumColors());
    EXPECT_EQ(40u + 1024u + 8u, dib.GetDibSize());
    SDibHeader header;
    std::memcpy(&header, dib.GetBuffer(), sizeof header);
    EXPECT_EQ(40u, header.size);
    EXPECT_EQ(3, header.width);
    EXPECT_EQ(2, header.height);
    EXPECT_EQ(1, header.planes);
    EXPECT_EQ(8, header.bitCount);
    EXPECT_EQ(0u, header.compression);
    EXPECT_EQ(8u, header.sizeImage);
    EXPECT_EQ(dib.GetBuffer() + 40 + 1024, dib.GetBits());

    // y counts from the top; rows are stored bottom up.
    dib.SetPixelIndex(0, 0, 7);
    dib.SetPixelIndex(2, 1, 9);
    EXPECT_EQ(7, dib.GetBits()[4]);
    EXPECT_EQ(9, dib.GetBits()[2]);
    // Outside the bitmap nothing is written.
    dib.Clear(0);
    for (auto [x, y] : {std::pair{-1, 0}, {3, 0}, {0, -1}, {0, 2}, {INT_MIN, INT_MAX}})
        dib.SetPixelIndex(x, y, 1);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(0, dib.GetBits()[i]);

    CPackedDib mono;
    ASSERT_NE(nullptr, mono.Create(3, 2, 1));
    EXPECT_EQ(4, mono.GetLineWidth());
    EXPECT_EQ(2, mono.GetNumColors());
    // A 1-bit pixel sets its own bit, leftmost pixel highest, and stays inside its row.
    CPackedDib wide;
    ASSERT_NE(nullptr, wide.Create(100, 2, 1));
    wide.SetPixelIndex(99, 0, 1);
    wide.SetPixelIndex(1, 0, 1);
    EXPECT_EQ(0x40, wide.GetBits()[16]);
    EXPECT_EQ(0x10, wide.GetBits()[16 + 12]);

    CPackedDib rgb;
    ASSERT_NE(nullptr, rgb.Create(5, 1, 24));
    EXPECT_EQ(16, rgb.GetLineWidth());
    EXPECT_EQ(0, rgb.GetNumColors());
    rgb.SetPixelIndex(0, 0, 5); // no palette: nothing
    rgb.SetPaletteIndex(0, 1, 2, 3);
    EXPECT_EQ(0, rgb.GetBits()[0]);
}

TEST(PackedDib, PaletteEntriesAndBlending)
{
    CPackedDib dib;
    ASSERT_NE(nullptr, dib.Create(1, 1, 4));
    dib.SetPaletteIndex(0x102, 10, 20, 30); // the index's low byte
    EXPECT_EQ(30, PaletteEntry(dib, 2)[0]);
    EXPECT_EQ(20, PaletteEntry(dib, 2)[1]);
    EXPECT_EQ(10, PaletteEntry(dib, 2)[2]);
    EXPECT_EQ(0, PaletteEntry(dib, 2)[3]);
    dib.SetPaletteIndex(16, 1, 1, 1); // past the 16 entries
    EXPECT_EQ(0, PaletteEntry(dib, 0)[0]);

    dib.BlendPalette(0x00804020, 50); // COLORREF: red 0x20, green 0x40, blue 0x80
    EXPECT_EQ((30 + 0x80) / 2, PaletteEntry(dib, 2)[0]);
    EXPECT_EQ((20 + 0x40) / 2, PaletteEntry(dib, 2)[1]);
    EXPECT_EQ((10 + 0x20) / 2, PaletteEntry(dib, 2)[2]);
    dib.BlendPalette(0x00ABCDEF, 150);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(0xAB, PaletteEntry(dib, i)[0]);
        EXPECT_EQ(0xCD, PaletteEntry(dib, i)[1]);
        EXPECT_EQ(0xEF, PaletteEntry(dib, i)[2]);
    }
    dib.BlendPalette(0, -50); // taken as 0
    EXPECT_EQ(0xAB, PaletteEntry(dib, 0)[0]);
}

TEST(PackedDib, RefusesSizesThatAreNotPositiveOrTooLarge)
{
    CPackedDib dib;
    ASSERT_NE(nullptr, dib.Create(2, 2, 8));
    // Each refusal leaves the bitmap empty, and every operation then does nothing.
    for (auto [w, h, bits] : {std::tuple{0, 5, 8},
                              {5, 0, 8},
                              {-3, 5, 8},
                              {5, -1, 32},
                              {INT_MAX, 1, 32},
                              {1, INT_MAX, 8},
                              {DIB_MAX_SIDE + 1, 1, 8},
                              {DIB_MAX_SIDE, DIB_MAX_SIDE, 32},
                              {5, 5, 0},
                              {5, 5, 7},
                              {5, 5, -8}}) {
        EXPECT_EQ(nullptr, dib.Create(w, h, bits)) << w << "x" << h << "x" << bits;
        EXPECT_TRUE(dib.IsEmpty());
        EXPECT_EQ(0u, dib.GetDibSize());
        EXPECT_EQ(nullptr, dib.GetBits());
        dib.Clear(1);
        dib.SetPixelIndex(0, 0, 1);
        dib.SetPaletteIndex(0, 1, 1, 1);
        dib.BlendPalette(0, 50);
    }
    // The largest side is still made when the rows stay within the limit.
    EXPECT_NE(nullptr, dib.Create(DIB_MAX_SIDE, 4, 32));
    EXPECT_EQ(DIB_MAX_SIDE * 4, dib.GetLineWidth());
}
