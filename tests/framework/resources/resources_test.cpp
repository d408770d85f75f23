#include <gtest/gtest.h>

#include <cstring>

#include "window/Canvas.h"
#include "framework/Bitmap.h"
#include "framework/Icon.h"
#include "test_art_ids.h"

using windowtest::CTestCanvas;

namespace {

HINSTANCE Program()
{
    return GetModuleHandleA(nullptr);
}

// The raw bytes of a resource of this program.
const BYTE* RawResource(UINT id, const char* type, DWORD* size)
{
    HRSRC found = FindResourceA(Program(), MAKEINTRESOURCEA(id), type);
    if (!found)
        return nullptr;
    *size = SizeofResource(Program(), found);
    return static_cast<const BYTE*>(LockResource(LoadResource(Program(), found)));
}

} // namespace

TEST(Resources, MenuFromAFragmentIsAPlainMenuTemplate)
{
    DWORD size = 0;
    const BYTE* raw = RawResource(IDM_TEST_ART, MAKEINTRESOURCEA(4) /* RT_MENU */, &size);
    ASSERT_NE(nullptr, raw);
    ASSERT_GE(size, 4u);
    EXPECT_EQ(0, raw[0] | raw[1] << 8) << "version 0: MENU, not MENUEX";
    EXPECT_EQ(0, raw[2] | raw[3] << 8) << "header size 0";

    HMENU menu = LoadMenuA(Program(), MAKEINTRESOURCEA(IDM_TEST_ART));
    ASSERT_NE(nullptr, menu);
    EXPECT_EQ(2, GetMenuItemCount(menu));
    HMENU file = GetSubMenu(menu, 0);
    ASSERT_NE(nullptr, file);
    EXPECT_EQ(3, GetMenuItemCount(file));
    EXPECT_EQ(static_cast<UINT>(ID_TEST_ART_OPEN), GetMenuItemID(file, 0));
    EXPECT_EQ(static_cast<UINT>(ID_TEST_ART_CLOSE), GetMenuItemID(file, 2));
    MENUITEMINFOA item = {};
    item.cbSize = sizeof(item);
    item.fMask = MIIM_FTYPE;
    ASSERT_TRUE(GetMenuItemInfoA(file, 1, TRUE, &item));
    EXPECT_TRUE(item.fType & MFT_SEPARATOR);
    EXPECT_EQ(static_cast<UINT>(ID_TEST_ART_ABOUT), GetMenuItemID(menu, 1));
    DestroyMenu(menu);
}

TEST(Resources, IconHoldsBothSizesAndDrawsWithItsMask)
{
    DWORD size = 0;
    const BYTE* group = RawResource(IDI_TEST_ART, MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */, &size);
    ASSERT_NE(nullptr, group);
    ASSERT_EQ(6u + 2 * 14, size);
    EXPECT_EQ(2, group[4]);
    EXPECT_EQ(16, group[6]);
    EXPECT_EQ(32, group[6 + 14]);

    for (int side : {16, 32}) {
        CIcon icon;
        ASSERT_TRUE(icon.Load(IDI_TEST_ART, side, side)) << side;
        CTestCanvas canvas(side, side, RGB(0, 0, 255));
        ASSERT_TRUE(DrawIconEx(canvas.Dc(), 0, 0, icon, side, side, 0, nullptr, DI_NORMAL));
        EXPECT_EQ(RGB(0, 0, 255), canvas.Pixel(0, 0)) << "transparent corner, " << side;
        EXPECT_EQ(RGB(0xE0, 0x20, 0x20), canvas.Pixel(side * 5 / 8, side * 5 / 8)) << side;
        EXPECT_EQ(RGB(255, 255, 255), canvas.Pixel(side / 4 + 1, side / 4 + 1)) << side;
    }
    EXPECT_NE(nullptr, CSharedIcon::Load(IDI_TEST_ART).GetSafeHandle());
}

TEST(Resources, CursorHasItsHotspot)
{
    CCursor cursor;
    ASSERT_TRUE(cursor.Load(IDC_TEST_ART));
    ICONINFO info = {};
    ASSERT_TRUE(GetIconInfo(cursor, &info));
    EXPECT_FALSE(info.fIcon);
    EXPECT_EQ(16u, info.xHotspot);
    EXPECT_EQ(16u, info.yHotspot);
    DeleteObject(info.hbmMask);
    if (info.hbmColor)
        DeleteObject(info.hbmColor);
    EXPECT_NE(nullptr, CSharedCursor::Load(IDC_TEST_ART).GetSafeHandle());
    EXPECT_FALSE(CCursor().Load(IDI_TEST_ART)) << "an icon id is no cursor";
}

TEST(Resources, BitmapKeepsItsExactColours)
{
    CBitmap bitmap;
    ASSERT_TRUE(bitmap.LoadBitmap(IDB_TEST_ART));
    EXPECT_EQ(CSize(8, 4), bitmap.GetSize());
    CTestCanvas canvas(8, 4);
    HDC source = CreateCompatibleDC(canvas.Dc());
    HGDIOBJ old = SelectObject(source, bitmap);
    BitBlt(canvas.Dc(), 0, 0, 8, 4, source, 0, 0, SRCCOPY);
    SelectObject(source, old);
    DeleteDC(source);
    EXPECT_EQ(RGB(255, 0, 0), canvas.Pixel(0, 0));
    EXPECT_EQ(RGB(0, 0, 255), canvas.Pixel(5, 2));
    EXPECT_EQ(RGB(0, 0, 0), canvas.Pixel(0, 3));
    EXPECT_EQ(RGB(0, 255, 0), canvas.Pixel(7, 3));
    EXPECT_FALSE(CBitmap().LoadBitmap(IDB_TEST_ART + 100));
}

TEST(Resources, Utf8ScriptTextsReachTheAnsiCodePage)
{
    wchar_t wide[8] = {};
    ASSERT_EQ(2, LoadStringW(Program(), IDS_TEST_ART_SIGNS, wide, 8));
    EXPECT_EQ(0x00A9, wide[0]);
    EXPECT_EQ(0x2122, wide[1]);

    char narrow[8] = {};
    ASSERT_EQ(2, LoadStringA(Program(), IDS_TEST_ART_SIGNS, narrow, 8));
    if (GetACP() != 1252)
        GTEST_SKIP() << "ANSI code page is " << GetACP() << ", not 1252: bytes not compared";
    EXPECT_EQ(0xA9, static_cast<unsigned char>(narrow[0]));
    EXPECT_EQ(0x99, static_cast<unsigned char>(narrow[1]));
}
