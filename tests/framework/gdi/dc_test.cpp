#include <gtest/gtest.h>

#include "window/Canvas.h"
#include "framework/Brush.h"
#include "framework/DC.h"
#include "framework/DCGuards.h"
#include "framework/Font.h"
#include "framework/MemoryDC.h"
#include "framework/Pen.h"
#include "framework/WindowDCs.h"

using windowtest::CTestCanvas;

namespace {

const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kBlack = RGB(0, 0, 0);
const COLORREF kRed = RGB(255, 0, 0);
const COLORREF kBlue = RGB(0, 0, 255);

CDC* Borrow(CDC& dc, const CTestCanvas& canvas)
{
    dc.Attach(canvas.Dc());
    return &dc;
}

} // namespace

TEST(DeviceContext, SelectionGuardsPutTheOldObjectsBackBeforeTheyAreDeleted)
{
    CTestCanvas canvas(10, 10);
    HDC dc = canvas.Dc();
    const HGDIOBJ font0 = GetCurrentObject(dc, OBJ_FONT);
    const HGDIOBJ pen0 = GetCurrentObject(dc, OBJ_PEN);
    const HGDIOBJ brush0 = GetCurrentObject(dc, OBJ_BRUSH);
    HGDIOBJ fontHandle = nullptr;
    {
        CFont font;
        ASSERT_TRUE(font.CreateFont(-12, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Tahoma"));
        CPen pen(PS_SOLID, 1, kRed);
        CBrush brush(kBlue);
        fontHandle = font;
        CSelectGuard selectFont(dc, font);
        {
            CSelectGuard selectPen(dc, pen);
            CSelectGuard selectBrush(dc, brush);
            ASSERT_TRUE(selectPen.IsSelected() && selectBrush.IsSelected());
            EXPECT_EQ(pen.GetSafeHandle(), GetCurrentObject(dc, OBJ_PEN));
            EXPECT_EQ(brush.GetSafeHandle(), GetCurrentObject(dc, OBJ_BRUSH));
        }
        EXPECT_EQ(pen0, GetCurrentObject(dc, OBJ_PEN));
        EXPECT_EQ(brush0, GetCurrentObject(dc, OBJ_BRUSH));
        EXPECT_EQ(fontHandle, GetCurrentObject(dc, OBJ_FONT));
    }
    EXPECT_EQ(font0, GetCurrentObject(dc, OBJ_FONT));
    EXPECT_EQ(0, GetObjectType(fontHandle)) << "the font was deleted once deselected";

    EXPECT_FALSE(CSelectGuard(dc, nullptr).IsSelected());
}

TEST(DeviceContext, SaveGuardRestoresColoursModesAndOrigin)
{
    CTestCanvas canvas(10, 10);
    CDC dc;
    Borrow(dc, canvas);
    dc.SetTextColor(kBlack);
    dc.SetBkMode(OPAQUE);
    {
        CSaveDCGuard saved(dc);
        ASSERT_TRUE(saved.IsSaved());
        dc.SetTextColor(kRed);
        dc.SetBkMode(TRANSPARENT);
        dc.SetWindowOrg(5, 5);
        dc.FillSolidRect(CRect(5, 5, 6, 6), kBlue);
    }
    EXPECT_EQ(kBlue, canvas.Pixel(0, 0)) << "drawn at the moved origin";
    EXPECT_EQ(kBlack, dc.GetTextColor());
    EXPECT_EQ(OPAQUE, GetBkMode(dc));
    EXPECT_EQ(CPoint(0, 0), dc.SetWindowOrg(0, 0));
    dc.Detach();
}

TEST(DeviceContext, FillsFramesAndEdgesLandWhereAsked)
{
    CTestCanvas canvas(40, 40);
    CDC dc;
    Borrow(dc, canvas);
    dc.SetBkColor(kWhite);
    dc.FillSolidRect(CRect(0, 0, 10, 10), kRed);
    EXPECT_EQ(100, canvas.Count(kRed));
    EXPECT_EQ(kWhite, dc.GetBkColor()) << "FillSolidRect leaves the background colour alone";

    CBrush blue(kBlue);
    dc.FrameRect(CRect(10, 10, 20, 20), blue);
    EXPECT_EQ(36, canvas.Count(kBlue, CRect(10, 10, 20, 20)));
    EXPECT_EQ(kWhite, canvas.Pixel(15, 15));

    CBrush black(kBlack);
    HRGN region = CreateRectRgn(20, 0, 30, 10);
    EXPECT_TRUE(dc.FrameRgn(region, black, 2, 2));
    DeleteObject(region);
    EXPECT_EQ(100 - 36, canvas.Count(kBlack, CRect(20, 0, 30, 10)));

    CRect edge(0, 20, 20, 40);
    EXPECT_TRUE(dc.DrawEdge(edge, BDR_RAISEDINNER, BF_RECT));
    EXPECT_EQ(kWhite, canvas.Pixel(10, 30)) << "inside untouched";
    EXPECT_NE(kWhite, canvas.Pixel(19, 30)) << "the edge is drawn";
    dc.Detach();
}

// The dialogs' face and the caption buttons' glyphs must be the real fonts, not a fallback that
// measures and draws differently (tools/wine-fonts.conf makes Wine's own fonts visible).
TEST(DeviceContext, TahomaAndMarlettAreRealFaces)
{
    CTestCanvas canvas(10, 10);
    CDC dc;
    Borrow(dc, canvas);
    for (const char* face : {"Tahoma", "Marlett"}) {
        CFont font;
        ASSERT_TRUE(font.CreateFont(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, face));
        CSelectGuard selected(dc, font);
        char used[LF_FACESIZE] = {};
        GetTextFaceA(dc, LF_FACESIZE, used);
        EXPECT_STREQ(face, used);
    }
    dc.Detach();
}

// Measured under Wine 8: Tahoma up to 16 pixels is never blended; from 17 pixels on it is, whatever
// the prefix's FontSmoothing says, unless fontconfig turns anti-aliasing off (tools/wine-env.sh).
TEST(DeviceContext, TextInBothWidthsIsDrawnInExactlyTheTextColour)
{
    CTestCanvas canvas(400, 80);
    CDC dc;
    Borrow(dc, canvas);
    CFont small;
    ASSERT_TRUE(
        small.CreateFont(-16, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, DEFAULT_QUALITY, 0, "Tahoma"));
    CFont large;
    ASSERT_TRUE(
        large.CreateFont(-40, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, DEFAULT_QUALITY, 0, "Tahoma"));
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(kBlack);
    CSize narrow;
    {
        CSelectGuard selected(dc, small);
        CRect top(0, 0, 400, 20);
        EXPECT_GT(dc.DrawText("Wine draws Tahoma", -1, top, DT_SINGLELINE | DT_VCENTER), 0);
        narrow = dc.GetTextExtent("Wine draws Tahoma", 17);
        EXPECT_EQ(narrow, dc.GetTextExtentW(L"Wine draws Tahoma", 17));
        const RECT inked = canvas.Bounds(kBlack);
        EXPECT_GT(inked.right - inked.left, narrow.cx / 2);
        EXPECT_LE(inked.right, narrow.cx + 1) << "no wider than measured";
    }
    {
        CSelectGuard selected(dc, large);
        EXPECT_TRUE(dc.TextOutW(0, 25, L"\x00A9 Wine \x2122", 8));
    }
    EXPECT_GT(canvas.Count(kBlack, CRect(0, 25, 400, 80)), 100);
    EXPECT_EQ(0, canvas.CountOther({kBlack, kWhite}, canvas.All()))
        << "no blended pixel anywhere (tools/wine-env.sh turns anti-aliasing off)";
    dc.Detach();
}

TEST(DeviceContext, MemoryDcDrawsOffScreenAndBlitsWholeAndStretched)
{
    CTestCanvas canvas(40, 20, kWhite);
    {
        CMemoryDC surface(canvas.Dc(), 10, 10);
        ASSERT_TRUE(surface.IsValid());
        surface.FillSolidRect(CRect(0, 0, 10, 10), kBlue);
        surface.FillSolidRect(CRect(0, 0, 5, 10), kRed);
        EXPECT_EQ(0, canvas.Count(kRed)) << "nothing reaches the target before the blit";
        ASSERT_TRUE(surface.BlitTo(canvas.Dc(), 0, 0));
        CDC target;
        Borrow(target, canvas);
        EXPECT_TRUE(target.StretchBlt(20, 0, 20, 20, surface, 0, 0, 10, 10, SRCCOPY));
        target.Detach();
    }
    EXPECT_EQ(50, canvas.Count(kRed, CRect(0, 0, 10, 10)));
    EXPECT_EQ(200, canvas.Count(kRed, CRect(20, 0, 40, 20)));
    EXPECT_EQ(200, canvas.Count(kBlue, CRect(20, 0, 40, 20)));
}

namespace {

// A window object of any class that has GetSafeHwnd().
struct FakeWindow {
    HWND hwnd;
    HWND GetSafeHwnd() const { return hwnd; }
};

} // namespace

TEST(DeviceContext, WindowDcsComeFromHandlesOrWindowObjectsAndAreReleased)
{
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 50, 30, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, window);
    FakeWindow object{window};
    {
        CClientDC client(&object);
        ASSERT_NE(nullptr, client.GetSafeHdc());
        CWindowDC whole(window);
        ASSERT_NE(nullptr, whole.GetSafeHdc());
        EXPECT_GT(client.GetDeviceCaps(BITSPIXEL), 8);
        CClientDC screen(nullptr);
        EXPECT_NE(nullptr, screen.GetSafeHdc());
    }
    DestroyWindow(window);
}
