#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "MenuOwner.h"
#include "framework/CmdUI.h"
#include "framework/DCGuards.h"
#include "framework/Icon.h"
#include "framework/WindowDCs.h"
#include "framework/WndClass.h"
#include "test_art_ids.h"
#include "widgets_test_ids.h"

namespace {

// Counts the popup objects LoadMenu makes and deletes.
class CCountingMenu : public BCMenu {
public:
    static int s_deleted;
    ~CCountingMenu() override { ++s_deleted; }

protected:
    BCMenu* NewPopupObject() const override { return new CCountingMenu; }
};
int CCountingMenu::s_deleted = 0;

BCMenu* SubMenu(const CMenu& menu, int position)
{
    return dynamic_cast<BCMenu*>(menu.GetSubMenu(position));
}

// The item's data: its record (any item type).
BCMenuData* ItemData(HMENU menu, int position)
{
    MENUITEMINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_DATA;
    ::GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info);
    return reinterpret_cast<BCMenuData*>(info.dwItemData);
}

bool IsOwnerDrawn(HMENU menu, int position)
{
    MENUITEMINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE; // GetMenuState gives a popup's item count in those bits
    return ::GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info) && (info.fType & MFT_OWNERDRAW);
}

// Every item owner-drawn with a record of its own command, records in position order.
void ExpectInStep(const BCMenu& menu)
{
    const int count = menu.GetMenuItemCount();
    EXPECT_EQ(menu.GetRecordCount(), count);
    for (int position = 0; position < count; ++position) {
        HMENU popup = ::GetSubMenu(menu, position);
        const UINT_PTR command = popup ? reinterpret_cast<UINT_PTR>(popup) : menu.GetMenuItemID(position);
        EXPECT_TRUE(IsOwnerDrawn(menu, position)) << "position " << position;
        ASSERT_NE(ItemData(menu, position), nullptr) << "position " << position;
        EXPECT_EQ(ItemData(menu, position)->commandId, command) << "position " << position;
    }
}

LONG MenuFontWidth(std::wstring text, bool trimPadding = false)
{
    text = text.substr(0, text.find(L'\t'));
    if (trimPadding)
        text.erase(text.find_last_not_of(L' ') + 1);
    CClientDC dc(static_cast<HWND>(nullptr));
    CFont font;
    EXPECT_TRUE(CreateMenuFont(font));
    CSelectGuard selected(dc, font);
    return dc.GetTextExtentW(text.c_str(), static_cast<int>(text.size())).cx;
}

} // namespace

TEST(BCMenu, LoadMenuBuildsOwnerDrawnPopupsUnderAPlainBarWithAlignedAccelerators)
{
    BCMenu bar;
    ASSERT_TRUE(bar.LoadMenu(IDM_WIDGETS_TEST));
    ASSERT_EQ(bar.GetRecordCount(), 3);
    BCMenu* file = SubMenu(bar, 0);
    BCMenu* recent = file ? SubMenu(*file, 3) : nullptr;
    ASSERT_NE(recent, nullptr);
    for (int position = 0; position < 3; ++position) {
        EXPECT_FALSE(IsOwnerDrawn(bar, position)) << "the bar's items are plain";
        EXPECT_EQ(ItemData(bar, position)->menuFlags, position < 2 ? 0x410u : 0x400u);
    }
    EXPECT_FALSE(BCMenu::IsRegisteredMenu(&bar));
    for (BCMenu* popup : {file, SubMenu(bar, 1), recent}) {
        EXPECT_TRUE(BCMenu::IsRegisteredMenu(popup));
        ExpectInStep(*popup);
    }
    EXPECT_EQ(ItemData(*file, 2)->menuFlags, static_cast<UINT>(MF_SEPARATOR | MF_OWNERDRAW));
    EXPECT_TRUE(file->GetMenuState(ID_WT_SAVE_AS, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_TRUE(recent->GetMenuState(ID_WT_FIRST, MF_BYCOMMAND) & MF_CHECKED);

    // The texts before the tabs are padded to the widest such part of the level plus a space.
    LONG widest = 0;
    for (int position = 0; position < 5; ++position)
        widest = std::max(widest, MenuFontWidth(ItemData(*file, position)->text, true) + MenuFontWidth(L" "));
    for (int position : {0, 1}) {
        const std::wstring& text = ItemData(*file, position)->text;
        EXPECT_NE(text.find(position ? L" \tCtrl+Shift+S" : L" \tCtrl+O"), std::wstring::npos);
        EXPECT_GE(MenuFontWidth(text), widest);
        EXPECT_LT(MenuFontWidth(text), widest + MenuFontWidth(L" "));
    }
    EXPECT_EQ(ItemData(*file, 4)->text, L"E&xit");

    // A missing or cut-short template leaves the menu empty.
    const HMENU fileHandle = file->m_hMenu;
    EXPECT_FALSE(bar.LoadMenu(IDM_WIDGETS_TEST + 99));
    EXPECT_EQ(bar.m_hMenu, nullptr);
    EXPECT_EQ(bar.GetRecordCount(), 0);
    EXPECT_FALSE(BCMenu::IsRegisteredMenuHandle(fileHandle));
    EXPECT_FALSE(bar.LoadMenu(IDM_WIDGETS_CUT_SHORT));
    EXPECT_EQ(bar.m_hMenu, nullptr);
}

TEST(BCMenu, MnemonicsFindTheFirstItemHoldingTheKey)
{
    BCMenu bar;
    ASSERT_TRUE(bar.LoadMenu(IDM_WIDGETS_TEST));
    BCMenu* file = SubMenu(bar, 0);
    const LRESULT execute = MNC_EXECUTE << 16;
    EXPECT_EQ(BCMenu::HandleMenuChar('a', MF_POPUP, file), 1 | execute);
    EXPECT_EQ(BCMenu::HandleMenuChar('X', MF_POPUP, file), 4 | execute);
    EXPECT_EQ(BCMenu::HandleMenuChar('f', MF_POPUP, SubMenu(*file, 3)), 0 | execute);
    EXPECT_EQ(BCMenu::HandleMenuChar('q', MF_POPUP, file), 0);
    EXPECT_EQ(BCMenu::HandleMenuChar('a', MF_SYSMENU, file), 0);

    // An item put in behind the menu's back is found once the records follow the items again.
    ASSERT_TRUE(::InsertMenuW(*file, 0, MF_BYPOSITION | MF_STRING, 601, L"&Zoom"));
    EXPECT_EQ(BCMenu::HandleMenuChar('z', MF_POPUP, file), 0 | execute);
    EXPECT_EQ(BCMenu::HandleMenuChar('a', MF_POPUP, file), 2 | execute);
}

namespace {

const UINT kRenamed = 702;

// Renames one item in its command-update pass, as the main window does "Run file".
class CRenamingOwner : public CMenuOwnerWnd {
protected:
    bool OnUpdateCommand(CCmdUI* item) override
    {
        if (item->m_nID == kRenamed)
            item->SetText("&Renamed");
        return item->m_nID == kRenamed;
    }
};

} // namespace

TEST(BCMenu, ResyncFollowsItemsInsertedRemovedReorderedAndRenamed)
{
    BCMenu menu, popup; // handed to the bar below, so they outlive it
    ASSERT_TRUE(menu.CreatePopupMenu());
    ASSERT_TRUE(popup.CreatePopupMenu());
    for (UINT id : {701u, kRenamed, 0u, 703u})
        ASSERT_TRUE(menu.AppendMenu(MF_STRING, id, id == 701 ? L"&One" : L"&Two"));
    ASSERT_TRUE(menu.AppendMenu(MF_POPUP, reinterpret_cast<UINT_PTR>(popup.m_hMenu), L"&More"));
    BCMenu bar;
    ASSERT_TRUE(bar.CreateMenu());
    ASSERT_TRUE(bar.AppendMenu(MF_POPUP, reinterpret_cast<UINT_PTR>(menu.m_hMenu), L"&Menu"));
    const BCMenuData* one = menu.FindItemData(701);
    const BCMenuData* two = menu.FindItemData(kRenamed);
    const BCMenuData* more = menu.FindItemData(reinterpret_cast<UINT_PTR>(popup.m_hMenu));

    // Plain Win32: 703 goes, "One" moves to the end greyed under a new text, a string item, a
    // second separator and a popup without a record come in.
    ASSERT_TRUE(::RemoveMenu(menu, 703, MF_BYCOMMAND));
    ASSERT_TRUE(::RemoveMenu(menu, 701, MF_BYCOMMAND));
    ASSERT_TRUE(::AppendMenuW(menu, MF_STRING | MF_GRAYED, 701, L"&One moved"));
    ASSERT_TRUE(::InsertMenuW(menu, 0, MF_BYPOSITION | MF_STRING, 704, L"&New"));
    ASSERT_TRUE(::InsertMenuW(menu, 0, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr));
    ASSERT_TRUE(::AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(::CreatePopupMenu()), L"E&xtra"));

    // The owner's update pass renames an owner-drawn item with MIIM_STRING; Wine 8 keeps that
    // text for GetMenuString, and the item stays owner-drawn, so the re-sync takes it.
    // The bold default item (a tray menu's) survives the re-sync, which Wine 8's ModifyMenu
    // would clear.
    ASSERT_TRUE(::SetMenuDefaultItem(menu, kRenamed, FALSE));
    CRenamingOwner owner;
    ASSERT_TRUE(owner.CreateEx(0, AfxRegisterWndClass(0), "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    owner.SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu.m_hMenu), 0);
    ExpectInStep(menu);
    EXPECT_EQ(::GetMenuDefaultItem(menu, FALSE, GMDI_USEDISABLED), kRenamed);
    ASSERT_EQ(menu.GetMenuItemCount(), 7);
    EXPECT_EQ(ItemData(menu, 1)->text, L"&New");
    EXPECT_EQ(ItemData(menu, 2), two);
    EXPECT_EQ(two->text, L"&Renamed");
    EXPECT_EQ(ItemData(menu, 4), more);
    EXPECT_EQ(more->text, L"&More");
    EXPECT_EQ(ItemData(menu, 5), one);
    EXPECT_EQ(one->text, L"&One moved");
    EXPECT_TRUE(menu.GetMenuState(701, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_EQ(ItemData(menu, 6)->text, L"E&xtra");
    EXPECT_EQ(menu.FindItemData(703), nullptr);
}

TEST(BCMenu, OneImagePerCommandEverywhereInTheTree)
{
    CImageList images;
    ASSERT_TRUE(images.Create(16, 16, ILC_COLOR24 | ILC_MASK, 2, 1));
    CIcon art, warning(::CopyIcon(CSharedIcon::System(IDI_WARNING)));
    ASSERT_TRUE(art.Load(IDI_TEST_ART, 16, 16));
    ASSERT_EQ(images.Add(art), 0);
    ASSERT_EQ(images.Add(warning), 1);

    BCMenu bar;
    ASSERT_TRUE(bar.LoadMenu(IDM_WIDGETS_TEST));
    const BCMenuData* inFile = ItemData(*SubMenu(bar, 0), 0);
    const BCMenuData* inActions = ItemData(*SubMenu(bar, 1), 2); // the same command
    const int before = BCMenu::SharedImageList().GetImageCount();
    ASSERT_TRUE(bar.ModifyOwnerDrawItem(static_cast<const char*>(nullptr), ID_WT_OPEN, &images, 0));
    EXPECT_EQ(BCMenu::SharedImageList().GetImageCount(), before + 1);
    ASSERT_GE(inFile->imageIndex, 0);
    EXPECT_EQ(inActions->imageIndex, inFile->imageIndex);
    EXPECT_EQ(BCMenu::SharedImageIds()[inFile->imageIndex], static_cast<UINT_PTR>(ID_WT_OPEN));
    EXPECT_EQ(inFile->text.substr(0, 5), L"&Open"); // a null text keeps it

    // Again: the image is replaced in place, and both texts change.
    ASSERT_TRUE(bar.ModifyOwnerDrawItem("&Open it", ID_WT_OPEN, &images, 1));
    EXPECT_EQ(BCMenu::SharedImageList().GetImageCount(), before + 1);
    EXPECT_EQ(inActions->imageIndex, inFile->imageIndex);
    EXPECT_EQ(inActions->text, L"&Open it");

    // A later item of that command shows the image; a missing image leaves an item without one.
    BCMenu popup;
    ASSERT_TRUE(popup.CreatePopupMenu());
    ASSERT_TRUE(popup.AppendMenu(MF_STRING, ID_WT_OPEN, "Open"));
    EXPECT_EQ(ItemData(popup, 0)->imageIndex, inFile->imageIndex);
    ASSERT_TRUE(bar.ModifyOwnerDrawItem(static_cast<const char*>(nullptr), ID_WT_EXIT, &images, 7));
    EXPECT_EQ(bar.FindItemData(ID_WT_EXIT)->imageIndex, -1);
    EXPECT_FALSE(bar.ModifyOwnerDrawItem(static_cast<const char*>(nullptr), 4242, &images, 0));
}

TEST(BCMenu, RemoveAndDestroyTakeRecordsAndThePopupObjectsTheMenuMadeAlsoAfterItsWindowWent)
{
    CCountingMenu::s_deleted = 0;
    CCountingMenu bar;
    ASSERT_TRUE(bar.LoadMenu(IDM_WIDGETS_TEST));
    BCMenu* file = SubMenu(bar, 0);
    const HMENU recent = ::GetSubMenu(*file, 3);

    // By command, found in whichever popup holds it; by position, a separator, then a popup
    // with its items, record and object.
    ASSERT_TRUE(bar.RemoveMenu(ID_WT_SECOND, MF_BYCOMMAND));
    EXPECT_EQ(::GetMenuItemCount(recent), 1);
    ExpectInStep(*SubMenu(*file, 3));
    EXPECT_FALSE(bar.RemoveMenu(4242, MF_BYCOMMAND));
    ASSERT_TRUE(file->RemoveMenu(2, MF_BYPOSITION));
    ASSERT_TRUE(file->RemoveMenu(2, MF_BYPOSITION));
    EXPECT_EQ(CCountingMenu::s_deleted, 1);
    EXPECT_FALSE(BCMenu::IsRegisteredMenuHandle(recent));
    EXPECT_FALSE(::IsMenu(recent));
    ExpectInStep(*file);
    EXPECT_EQ(bar.FindItemData(ID_WT_FIRST), nullptr);

    // A popup handed in stays its caller's; the window's menu goes with the window, its objects
    // letting go of their handles first, and the bar still deletes the objects it made.
    BCMenu handedIn;
    ASSERT_TRUE(handedIn.CreatePopupMenu());
    ASSERT_TRUE(bar.AppendMenu(MF_POPUP, reinterpret_cast<UINT_PTR>(handedIn.m_hMenu), "&Handed in"));
    const std::vector<HMENU> popups = {file->m_hMenu, ::GetSubMenu(bar, 1), handedIn.m_hMenu};
    {
        CWnd wnd;
        ASSERT_TRUE(wnd.CreateEx(0, AfxRegisterWndClass(0), "", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr));
        ASSERT_TRUE(wnd.SetMenu(bar));
        ASSERT_TRUE(wnd.DestroyWindow());
    }
    EXPECT_EQ(bar.m_hMenu, nullptr);
    EXPECT_EQ(handedIn.m_hMenu, nullptr);
    EXPECT_EQ(CCountingMenu::s_deleted, 1);
    bar.DestroyMenu();
    EXPECT_EQ(CCountingMenu::s_deleted, 3);
    EXPECT_EQ(bar.GetRecordCount(), 0);
    for (HMENU popup : popups)
        EXPECT_FALSE(BCMenu::IsRegisteredMenuHandle(popup));
}
