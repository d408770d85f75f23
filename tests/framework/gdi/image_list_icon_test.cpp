#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "window/Canvas.h"
#include "framework/AppState.h"
#include "framework/Bitmap.h"
#include "framework/Icon.h"
#include "framework/ImageList.h"
#include "framework/String.h"
#include "test_art_ids.h"

using windowtest::CTestCanvas;

namespace {

const COLORREF kGreen = RGB(0, 200, 0);
const COLORREF kYellow = RGB(250, 250, 0);
const COLORREF kBack = RGB(0, 0, 255);

// A 16x16 icon of one colour whose top-left quarter is transparent.
CIcon MakeIcon(COLORREF colour)
{
    HDC screen = GetDC(nullptr);
    HBITMAP picture = CreateCompatibleBitmap(screen, 16, 16);
    ReleaseDC(nullptr, screen);
    HBITMAP mask = CreateBitmap(16, 16, 1, 1, nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, picture);
    HBRUSH brush = CreateSolidBrush(colour);
    RECT all = {0, 0, 16, 16};
    RECT quarter = {0, 0, 8, 8};
    FillRect(dc, &all, brush);
    FillRect(dc, &quarter, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    SelectObject(dc, mask);
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    FillRect(dc, &quarter, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(brush);
    ICONINFO info = {TRUE, 0, 0, mask, picture};
    CIcon icon(CreateIconIndirect(&info));
    DeleteObject(mask);
    DeleteObject(picture);
    return icon;
}

} // namespace

TEST(ImageList, IconsAreAddedReplacedExtractedAndDrawn)
{
    CImageList list;
    ASSERT_TRUE(list.Create(16, 16, ILC_COLOR24 | ILC_MASK, 1, 1));
    CIcon green = MakeIcon(kGreen);
    CIcon yellow = MakeIcon(kYellow);
    ASSERT_NE(nullptr, green.GetSafeHandle());
    EXPECT_EQ(0, list.Add(green));
    EXPECT_EQ(1, list.Add(green)) << "grows past its initial count";
    EXPECT_EQ(2, list.GetImageCount());
    EXPECT_EQ(1, list.Replace(1, yellow));
    EXPECT_EQ(-1, list.Replace(5, yellow));
    IMAGEINFO info = {};
    ASSERT_TRUE(list.GetImageInfo(1, &info));
    EXPECT_EQ(16, info.rcImage.right - info.rcImage.left);

    CTestCanvas canvas(32, 16, kBack);
    ASSERT_TRUE(list.Draw(canvas.Dc(), 0, POINT{0, 0}, ILD_TRANSPARENT));
    ASSERT_TRUE(list.Draw(canvas.Dc(), 1, POINT{16, 0}, ILD_TRANSPARENT));
    EXPECT_EQ(kBack, canvas.Pixel(2, 2)) << "masked quarter";
    EXPECT_EQ(kGreen, canvas.Pixel(12, 12));
    EXPECT_EQ(kBack, canvas.Pixel(18, 2));
    EXPECT_EQ(kYellow, canvas.Pixel(28, 12));

    // An extracted icon is the caller's: drawn, then destroyed with its object.
    HICON handle = nullptr;
    {
        CIcon extracted = list.ExtractIcon(1);
        handle = extracted;
        ASSERT_NE(nullptr, handle);
        CTestCanvas drawn(16, 16, kBack);
        ASSERT_TRUE(DrawIconEx(drawn.Dc(), 0, 0, extracted, 16, 16, 0, nullptr, DI_NORMAL));
        EXPECT_EQ(kYellow, drawn.Pixel(12, 12));
        EXPECT_EQ(kBack, drawn.Pixel(2, 2));
    }
    ICONINFO gone = {};
    EXPECT_FALSE(GetIconInfo(handle, &gone)) << "destroyed with its object";
    EXPECT_EQ(nullptr, list.ExtractIcon(7).GetSafeHandle());
}

TEST(ImageList, SixteenBitListsTakeResourceIcons)
{
    CImageList list;
    ASSERT_TRUE(list.Create(16, 16, ILC_COLOR16 | ILC_MASK, 3, 0));
    CIcon icon;
    ASSERT_TRUE(icon.Load(IDI_TEST_ART, 16, 16));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(i, list.Add(icon));
    EXPECT_EQ(3, list.GetImageCount());
    EXPECT_FALSE(list.Create(8, 8, ILC_COLOR24, 1, 1)) << "one list per object";
}

// A DLL built on the framework loads its art from itself: every loader asks the resource module.
TEST(ResourceLoaders, LoadFromTheResourceModuleNotTheProgram)
{
    const auto loadAll = [] {
        CBitmap bitmap;
        CIcon icon;
        CCursor cursor;
        CImageList list;
        CString text;
        return std::vector<bool>{bitmap.LoadBitmap(IDB_TEST_ART),
                                 icon.Load(IDI_TEST_ART, 16, 16),
                                 cursor.Load(IDC_TEST_ART),
                                 CSharedIcon::Load(IDI_TEST_ART) != nullptr,
                                 list.CreateFromBitmap(IDB_TEST_ART, 4, 0, 1, RGB(255, 0, 255)),
                                 text.LoadString(IDS_TEST_ART_SIGNS)};
    };
    EXPECT_EQ(std::vector<bool>(6, true), loadAll());
    AfxSetResourceHandle(GetModuleHandleA("kernel32.dll")); // holds none of the test's ids
    EXPECT_EQ(std::vector<bool>(6, false), loadAll());
    AfxSetResourceHandle(nullptr);
}

TEST(Icons, OwnedIconsMoveAndDieOnceSharedOnesNever)
{
    CIcon first = MakeIcon(kGreen);
    const HICON handle = first;
    CIcon second(std::move(first));
    EXPECT_EQ(nullptr, first.GetSafeHandle());
    EXPECT_EQ(handle, second.GetSafeHandle());
    second = MakeIcon(kYellow);
    ICONINFO info = {};
    EXPECT_FALSE(GetIconInfo(handle, &info)) << "replaced icon destroyed";

    const CSharedIcon shared = CSharedIcon::System(IDI_APPLICATION);
    ASSERT_NE(nullptr, shared.GetSafeHandle());
    {
        CSharedIcon copy = shared;
        EXPECT_EQ(shared.GetSafeHandle(), copy.GetSafeHandle());
    }
    ASSERT_TRUE(GetIconInfo(shared, &info)) << "a shared icon is never destroyed";
    DeleteObject(info.hbmMask);
    if (info.hbmColor)
        DeleteObject(info.hbmColor);
    EXPECT_NE(nullptr, CSharedCursor::System(IDC_ARROW).GetSafeHandle());
}
