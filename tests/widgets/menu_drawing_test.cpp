#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "framework/Icon.h"
#include "framework/ImageList.h"
#include "framework/Rect.h"
#include "framework/WindowDCs.h"
#include "test_art_ids.h"
#include "widgets/BCMenu.h"
#include "widgets/MenuItemDrawing.h"
#include "window/Canvas.h"
#include "window/RegistryValueScope.h"
#include "window/VersionRun.h"

using windowtest::CTestCanvas;

namespace {

const UINT kPlain = 801;
const UINT kImaged = 802;
const COLORREF kUnpainted = RGB(255, 0, 255);
const COLORREF kArtRed = RGB(0xE0, 0x20, 0x20); // the test icon's red quarter disc
const int kItemHeight = 22;

COLORREF Sys(int index)
{
    return ::GetSysColor(index);
}

// A popup with a plain item (text and accelerator), an item with the test icon, a separator.
class MenuItemDrawingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_menu.CreatePopupMenu());
        ASSERT_TRUE(m_menu.AppendMenu(MF_STRING, kPlain, "&Plain\tCtrl+P"));
        ASSERT_TRUE(m_menu.AppendMenu(MF_STRING, kImaged, "&Imaged"));
        ASSERT_TRUE(m_menu.AppendMenu(MF_SEPARATOR));
        CImageList images;
        ASSERT_TRUE(images.Create(16, 16, ILC_COLOR24 | ILC_MASK, 1, 1));
        CIcon art;
        ASSERT_TRUE(art.Load(IDI_TEST_ART, 16, 16));
        ASSERT_EQ(images.Add(art), 0);
        ASSERT_TRUE(m_menu.ModifyOwnerDrawItem(static_cast<const char*>(nullptr), kImaged, &images, 0));
        ASSERT_TRUE(m_canvas.IsValid());
    }

    // Draws item `id` over the canvas, `height` high, in that look or as the menu chooses.
    void Draw(UINT id, UINT state, std::optional<EMenuLook> look, int height = kItemHeight)
    {
        m_canvas.Fill(kUnpainted);
        DRAWITEMSTRUCT draw = {};
        draw.CtlType = ODT_MENU;
        draw.itemID = id;
        draw.itemState = state;
        draw.hwndItem = reinterpret_cast<HWND>(m_menu.m_hMenu);
        draw.hDC = m_canvas.Dc();
        draw.rcItem = CRect(0, 0, m_canvas.Width(), height);
        draw.itemData = reinterpret_cast<ULONG_PTR>(m_menu.FindItemData(id));
        look ? DrawMenuItem(&draw, *look) : m_menu.DrawItem(&draw);
    }
    MEASUREITEMSTRUCT Measure(UINT id, std::optional<EMenuLook> look = std::nullopt)
    {
        MEASUREITEMSTRUCT measure = {};
        measure.CtlType = ODT_MENU;
        measure.itemData = reinterpret_cast<ULONG_PTR>(m_menu.FindItemData(id));
        look ? MeasureMenuItem(&measure, *look) : m_menu.MeasureItem(&measure);
        return measure;
    }
    int Pixels(COLORREF colour, const RECT& area) const { return m_canvas.Count(colour, area); }

    BCMenu m_menu;
    CTestCanvas m_canvas{200, kItemHeight};
};

// The tick drawn at (x, y): seven columns of 3 - shorten pixels, the first from y + 2.
void ExpectTick(const CTestCanvas& canvas, int x, int y, int shorten)
{
    const COLORREF mark = Sys(COLOR_MENUTEXT);
    EXPECT_EQ(canvas.Count(mark, CRect(x - 2, y - 2, x + 9, y + 10)), 7 * (3 - shorten));
    EXPECT_EQ(canvas.Pixel(x, y + 2), mark);
    EXPECT_EQ(canvas.Pixel(x + 2, y + 6 - shorten), mark);
    EXPECT_EQ(canvas.Pixel(x + 6, y), mark);
}

} // namespace

TEST_F(MenuItemDrawingTest, XpLookBodySelectionChecksSeparatorAndDisabledItems)
{
    const COLORREF highlight = Sys(COLOR_HIGHLIGHT);
    const COLORREF text = Sys(COLOR_MENUTEXT);

    Draw(kPlain, 0, EMenuLook::Xp);
    EXPECT_EQ(Pixels(kUnpainted, m_canvas.All()), 0);
    EXPECT_EQ(m_canvas.Pixel(10, 10), kMenuBodyColour);
    EXPECT_EQ(m_canvas.Bounds(text).left, 28);        // "&Plain" from L + 28
    EXPECT_LE(m_canvas.Bounds(text).right, 200 - 16); // "Ctrl+P" right-aligned 16 pixels in
    EXPECT_GE(m_canvas.Bounds(text).right, 200 - 16 - 3);

    // Selected: from L + 21, pale, framed in the highlight colour; the column keeps the body.
    Draw(kPlain, ODS_SELECTED, EMenuLook::Xp);
    const COLORREF pale = BCMenu::BlendTowardWhite(highlight, 0.7);
    EXPECT_EQ(m_canvas.Pixel(21, 10), highlight);
    EXPECT_EQ(m_canvas.Pixel(100, 0), highlight);
    EXPECT_EQ(m_canvas.Pixel(23, 2), pale);
    EXPECT_EQ(m_canvas.Pixel(10, 10), kMenuBodyColour);

    // Checked and selected: the selection takes the column too; the box is blended 0.55 under
    // a tick one pixel short, centred in the box (1, 1, 18, 21).
    Draw(kPlain, ODS_SELECTED | ODS_CHECKED, EMenuLook::Xp);
    EXPECT_EQ(m_canvas.Pixel(0, 10), highlight);
    EXPECT_EQ(m_canvas.Pixel(3, 3), BCMenu::BlendTowardWhite(highlight, 0.55));
    ExpectTick(m_canvas, 1 + 17 / 2 - 3, 1 + 20 / 2 - 3, 1);
    Draw(kPlain, ODS_CHECKED, EMenuLook::Xp);
    EXPECT_EQ(m_canvas.Pixel(3, 3), BCMenu::BlendTowardWhite(highlight, 0.85));
    EXPECT_EQ(m_canvas.Pixel(0, 10), kMenuBodyColour);

    // The image centred in the column; checked, it moves one pixel up and left in its box.
    Draw(kImaged, 0, EMenuLook::Xp);
    EXPECT_TRUE(CRect(m_canvas.Bounds(kArtRed)).EqualRect(CRect(2 + 2, 3 + 2, 2 + 14, 3 + 14)));
    Draw(kImaged, ODS_CHECKED | ODS_SELECTED, EMenuLook::Xp);
    EXPECT_TRUE(CRect(m_canvas.Bounds(kArtRed)).EqualRect(CRect(1 + 2, 2 + 2, 1 + 14, 2 + 14)));

    // Disabled: never highlighted, grey text moved one pixel, the image embossed.
    Draw(kPlain, ODS_SELECTED | ODS_GRAYED, EMenuLook::Xp);
    EXPECT_EQ(Pixels(highlight, m_canvas.All()), 0);
    EXPECT_EQ(m_canvas.Bounds(Sys(COLOR_GRAYTEXT)).left, 29);
    Draw(kImaged, ODS_SELECTED | ODS_GRAYED, EMenuLook::Xp);
    EXPECT_EQ(Pixels(kArtRed, m_canvas.All()), 0);
    EXPECT_GT(Pixels(Sys(COLOR_BTNSHADOW), CRect(2, 3, 19, 20)), 20);

    // The separator: 3 high, an etched line at half height from L + 24.
    EXPECT_EQ(Measure(0, EMenuLook::Xp).itemHeight, 3u);
    Draw(0, 0, EMenuLook::Xp, 3);
    EXPECT_EQ(m_canvas.Pixel(24, 1), Sys(COLOR_BTNSHADOW));
    EXPECT_EQ(m_canvas.Pixel(30, 2), Sys(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(m_canvas.Pixel(23, 1), kMenuBodyColour);
}

TEST_F(MenuItemDrawingTest, ClassicLookHighlightChecksSeparatorAndDisabledItems)
{
    const COLORREF highlight = Sys(COLOR_HIGHLIGHT);
    const COLORREF text = Sys(COLOR_MENUTEXT);

    Draw(kPlain, 0, EMenuLook::Classic);
    EXPECT_EQ(Pixels(kUnpainted, m_canvas.All()), 0);
    EXPECT_EQ(m_canvas.Bounds(text).left, 25);

    Draw(kPlain, ODS_SELECTED, EMenuLook::Classic);
    EXPECT_EQ(m_canvas.Pixel(21, 0), highlight);
    EXPECT_EQ(m_canvas.Pixel(20, 10), kMenuBodyColour);
    EXPECT_GT(Pixels(Sys(COLOR_HIGHLIGHTTEXT), CRect(25, 0, 200, kItemHeight)), 20);
    EXPECT_EQ(Pixels(text, m_canvas.All()), 0);

    // Checked without an image: the box (1, m + 2, 17, m + 18), m = 1, blended 0.6 unless
    // selected, with a tick at its (4, 4); raised and sunken frames need a version before XP's
    // successors, so none here under Wine's Windows 10.
    Draw(kPlain, ODS_CHECKED, EMenuLook::Classic);
    EXPECT_EQ(m_canvas.Pixel(1, 3), BCMenu::BlendTowardWhite(Sys(COLOR_MENU), 0.6));
    ExpectTick(m_canvas, 1 + 4, 3 + 4, 0);
    Draw(kPlain, ODS_CHECKED | ODS_SELECTED, EMenuLook::Classic);
    EXPECT_EQ(m_canvas.Pixel(1, 3), Sys(COLOR_MENU));

    Draw(kImaged, ODS_CHECKED, EMenuLook::Classic);
    EXPECT_TRUE(CRect(m_canvas.Bounds(kArtRed)).EqualRect(CRect(2 + 2, 3 + 2, 2 + 14, 3 + 14)));
    EXPECT_EQ(m_canvas.Pixel(0, 1), BCMenu::BlendTowardWhite(kMenuBodyColour, 0.6));

    // Disabled: a selected one keeps its highlight and writes its text in the body colour; an
    // unselected one is embossed.
    Draw(kPlain, ODS_SELECTED | ODS_GRAYED, EMenuLook::Classic);
    EXPECT_EQ(m_canvas.Pixel(21, 0), highlight);
    EXPECT_GT(Pixels(kMenuBodyColour, CRect(25, 0, 200, kItemHeight)), 20);
    EXPECT_EQ(Pixels(Sys(COLOR_GRAYTEXT), m_canvas.All()), 0);
    Draw(kPlain, ODS_GRAYED, EMenuLook::Classic);
    EXPECT_EQ(m_canvas.Bounds(Sys(COLOR_GRAYTEXT)).left, 25);
    EXPECT_GT(Pixels(Sys(COLOR_BTNHIGHLIGHT), m_canvas.All()), 20);

    // Wine reports Windows 10: the menu measures in the classic look, with the context's own
    // font, the whole text (accelerator part too) plus the column; an item without data stays.
    ASSERT_EQ(WindowsVersionClass(), 1);
    EXPECT_EQ(MenuLookForDrawing(m_canvas.Dc()), EMenuLook::Classic);
    const std::wstring whole = L"&Plain\tCtrl+P";
    CClientDC desktop(::GetDesktopWindow());
    const LONG width = desktop.GetTextExtentW(whole.c_str(), static_cast<int>(whole.size())).cx;
    EXPECT_EQ(Measure(kPlain).itemWidth, static_cast<UINT>(width + 33));
    EXPECT_EQ(Measure(kPlain, EMenuLook::Xp).itemWidth, static_cast<UINT>(width + 28));
    EXPECT_EQ(Measure(kPlain).itemHeight, static_cast<UINT>(std::max(::GetSystemMetrics(SM_CYMENU), 20)));
    EXPECT_EQ(Measure(4242).itemWidth, 0u);

    // The separator: an etched line at half height over the whole width.
    const UINT separator = Measure(0).itemHeight;
    EXPECT_EQ(separator, static_cast<UINT>(std::max(10, ::GetSystemMetrics(SM_CYMENU) / 2)));
    Draw(0, 0, EMenuLook::Classic, static_cast<int>(separator));
    EXPECT_EQ(m_canvas.Pixel(0, static_cast<int>(separator) / 2), Sys(COLOR_BTNSHADOW));
    EXPECT_EQ(m_canvas.Pixel(0, static_cast<int>(separator) / 2 + 1), Sys(COLOR_BTNHIGHLIGHT));
}

// The process's version is read once; Wine reports XP only to a copy of this program.
TEST_F(MenuItemDrawingTest, UnderXpTheMenusMeasureAndDrawTheXpLook)
{
    if (!windowtest::WindowsVersionOfThisRun()) {
        EXPECT_EQ(windowtest::RunThisCaseUnderWindowsVersion("winxp"), 0);
        return;
    }
    ASSERT_EQ(WindowsVersionClass(), 7);
    ASSERT_EQ(MenuLookForMeasuring(), EMenuLook::Xp);
    EXPECT_EQ(Measure(0).itemHeight, 3u);
    Draw(kPlain, ODS_SELECTED, std::nullopt);
    EXPECT_EQ(m_canvas.Pixel(23, 2), BCMenu::BlendTowardWhite(Sys(COLOR_HIGHLIGHT), 0.7));

    // Before XP's successors the classic look frames its boxes in 3-D, on the button face.
    Draw(kImaged, ODS_SELECTED, EMenuLook::Classic);
    EXPECT_EQ(m_canvas.Pixel(0, 1), Sys(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(m_canvas.Pixel(19, 20), Sys(COLOR_BTNSHADOW));
    Draw(kImaged, ODS_SELECTED | ODS_CHECKED, EMenuLook::Classic);
    EXPECT_EQ(m_canvas.Pixel(0, 1), Sys(COLOR_BTNSHADOW));
    Draw(kPlain, ODS_SELECTED | ODS_CHECKED, EMenuLook::Classic);
    EXPECT_EQ(m_canvas.Pixel(1, 3), Sys(COLOR_BTNSHADOW));
    EXPECT_EQ(m_canvas.Pixel(3, 5), Sys(COLOR_BTNFACE));
}

// The theme value is read terminated, within 260 bytes: a longer one names no classic theme.
TEST(MenuLook, ClassicThemeValueAndBlend)
{
    const char* key = "Software\\Microsoft\\Plus!\\Themes\\Current";
    EXPECT_FALSE(ReadClassicTheme()); // a fresh prefix has no theme key
    const std::string suffix = "\\windows classic.THEME";
    const std::string fits = std::string(259 - suffix.size(), 'x') + suffix;
    for (const std::string& value : {fits, "x" + fits, std::string("C:\\Luna.theme")}) {
        windowtest::CRegistryValueScope scope(HKEY_CURRENT_USER, key, "", value.c_str());
        ASSERT_TRUE(scope.IsSet());
        EXPECT_EQ(ReadClassicTheme(), value == fits) << value.size();
    }

    EXPECT_EQ(BCMenu::BlendTowardWhite(RGB(0, 100, 255), 0.5), RGB(127, 177, 255));
    EXPECT_EQ(BCMenu::BlendTowardWhite(RGB(10, 20, 30), 1.5), RGB(10, 20, 30));
}
