#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "framework/Brush.h"
#include "framework/Font.h"
#include "framework/Rgn.h"

TEST(GdiObjects, LongFaceNamesAreCutNeverOverrun)
{
    const std::string face(40, 'F');
    CFont font;
    ASSERT_TRUE(font.CreateFont(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, face.c_str()));
    LOGFONTA kept = {};
    ASSERT_TRUE(font.GetLogFont(&kept));
    EXPECT_EQ(std::string(31, 'F'), kept.lfFaceName);

    // A caller's LOGFONT whose face field has no terminator at all.
    LOGFONTA raw = kept;
    std::memset(raw.lfFaceName, 'G', sizeof(raw.lfFaceName));
    CFont fromRaw;
    ASSERT_TRUE(fromRaw.CreateFontIndirect(&raw));
    ASSERT_TRUE(fromRaw.GetLogFont(&kept));
    EXPECT_EQ(std::string(31, 'G'), kept.lfFaceName);
    EXPECT_FALSE(fromRaw.CreateFontIndirect(&raw)) << "one handle per object";
}

TEST(GdiObjects, StockObjectsAreSharedAndCopiesOwned)
{
    const HFONT stock = CFont::DefaultGuiFont();
    {
        CFont shared;
        ASSERT_TRUE(shared.CreateStockObject(DEFAULT_GUI_FONT));
        EXPECT_EQ(stock, static_cast<HFONT>(shared));
        CFont copy;
        ASSERT_TRUE(copy.CreateDefaultGuiFont());
        EXPECT_NE(stock, static_cast<HFONT>(copy));
        LOGFONTA a = {}, b = {};
        ASSERT_TRUE(copy.GetLogFont(&a));
        ASSERT_EQ(sizeof(b), static_cast<size_t>(GetObjectA(stock, sizeof(b), &b)));
        EXPECT_STREQ(b.lfFaceName, a.lfFaceName);
        EXPECT_EQ(b.lfHeight, a.lfHeight);
    }
    EXPECT_EQ(OBJ_FONT, static_cast<int>(GetObjectType(stock))) << "the stock font outlives its holder";

    HGDIOBJ owned = nullptr;
    {
        CBrush brush(RGB(1, 2, 3));
        owned = brush;
        EXPECT_EQ(OBJ_BRUSH, static_cast<int>(GetObjectType(owned)));
    }
    EXPECT_EQ(0u, GetObjectType(owned)) << "an owned brush is deleted with its object";
}

TEST(GdiObjects, RegionsAreMadeCombinedAndMoved)
{
    CRgn round;
    ASSERT_TRUE(round.CreateRoundRectRgn(0, 0, 21, 21, 10, 10));
    EXPECT_TRUE(round.PtInRegion(10, 10));
    EXPECT_FALSE(round.PtInRegion(0, 0)) << "corner cut off";

    const POINT triangle[] = {{0, 20}, {10, 30}, {20, 20}};
    CRgn tip;
    ASSERT_TRUE(tip.CreatePolygonRgn(triangle, 3, ALTERNATE));
    CRgn balloon;
    ASSERT_TRUE(balloon.CreateRectRgn(0, 0, 0, 0));
    EXPECT_EQ(COMPLEXREGION, balloon.CombineRgn(round, tip, RGN_OR));
    EXPECT_TRUE(balloon.PtInRegion(10, 25));
    CRgn copy;
    ASSERT_TRUE(copy.CreateRectRgn(0, 0, 0, 0));
    EXPECT_EQ(COMPLEXREGION, copy.CopyRgn(tip));
    EXPECT_TRUE(copy.PtInRegion(10, 25));

    EXPECT_NE(ERROR, balloon.OffsetRgn(5, 5));
    RECT box = {};
    balloon.GetRgnBox(&box);
    EXPECT_EQ(5, box.left);
    EXPECT_EQ(5, box.top);
    EXPECT_EQ(ERROR, CRgn().CombineRgn(round, tip, RGN_OR)) << "no target region";
}

TEST(GdiObjects, WindowKeepsItsRegionAfterTheRegionObjectIsGone)
{
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 60, 40, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, window);
    {
        CRgn shape;
        ASSERT_TRUE(shape.CreateRoundRectRgn(0, 0, 61, 41, 20, 20));
        ASSERT_TRUE(SetWindowRgn(window, shape, FALSE));
        shape.Detach(); // the window owns it now
    }
    HRGN probe = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(COMPLEXREGION, GetWindowRgn(window, probe));
    EXPECT_TRUE(PtInRegion(probe, 30, 20));
    EXPECT_FALSE(PtInRegion(probe, 0, 0));
    DeleteObject(probe);
    DestroyWindow(window);
}
