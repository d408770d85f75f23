#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "framework/CmdUI.h"
#include "framework/DCGuards.h"
#include "framework/Font.h"
#include "framework/Icon.h"
#include "framework/WindowDCs.h"
#include "framework/Wnd.h"
#include "framework/WndClass.h"
#include "test_art_ids.h"
#include "widgets/BCMenu.h"
#include "widgets/MenuLook.h"
#include "widgets_test_ids.h"

namespace {

// Counts the popup objects LoadMenu makes and deletes.
class CCountingMenu : public BCMenu {
public:
    static int s_made;
    static int s_deleted;
    CCountingMenu() { ++s_made; }
    ~CCountingMenu() override { ++s_deleted; }

protected:
    BCMenu* NewPopupObject() const override { return new CCountingMenu; }
};
int CCountingMenu::s_made = 0;
int CCountingMenu::s_deleted = 0;

BCMenu* SubMenu(const CMenu& menu, int position)
{
    return dynamic_cast<BCMenu*>(menu.GetSubMenu(position));
}

// The record the system holds as the item's data.
BCMenuData* ItemData(HMENU menu, int position)
{
    MENUITEMINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_DATA | MIIM_FTYPE;
    if (!::GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info) || !(info.fType & MFT_OWNERDRAW))
        return nullptr;
    return reinterpret_cast<BCMenuData*>(info.dwItemData);
}

// Every item owner-drawn with a record of its own command, in position order.
void ExpectInStep(const BCMenu& menu)
{
    const int count = menu.GetMenuItemCount();
    EXPECT_EQ(menu.GetRecordCount(), count);
    for (int position = 0; position < count; ++position) {
        BCMenuData* record = ItemData(menu, position);
        ASSERT_NE(record, nullptr) << "position " << position;
        HMENU popup = ::GetSubMenu(menu, position);
        const UINT_PTR command = popup ? reinterpret_cast<UINT_PTR>(popup) : menu.GetMenuItemID(position);
        EXPECT_EQ(record->commandId, command) << "position " << position;
    }
}

LONG MenuFontWidth(const std::wstring& text)
{
    CClientDC dc(static_cast<HWND>(nullptr));
    CFont font;
    EXPECT_TRUE(CreateMenuFont(font));
    CSelectGuard selected(dc, font);
    return dc.GetTextExtentW(text.c_str(), static_cast<int>(text.size())).cx;
}

std::wstring BeforeTab(const std::wstring& text)
{
    return text.substr(0, text.find(L'\t'));
}

} // namespace

TEST(BCMenu, LoadMenuBuildsOwnerDrawnPopupsUnderAPlainBarWithAlignedAccelerators)
{
    BCMenu bar;
    ASSERT_TRUE(bar.LoadMenu(IDM_WIDGETS_TEST));
    ASSERT_EQ(bar.GetMenuItemCount(), 3);
    ASSERT_EQ(bar.GetRecordCount(), 3);
    const UINT barFlags[] = {MF_BYPOSITION | MF_POPUP, MF_BYPOSITION | MF_POPUP, MF_BYPOSITION};
    for (int position = 0; position < 3; ++position) {
        EXPECT_EQ(ItemData(bar, position), nullptr) << "the bar's items are plain strings";
        const BCMenuData* record =
            bar.FindItemData(position < 2 ? reinterpret_cast<UINT_PTR>(::GetSubMenu(bar, position)) : ID_WT_HELP);
        EXPECT_EQ(record->menuFlags, barFlags[position]);
        MENUITEMINFOW info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_DATA;
        ASSERT_TRUE(::GetMenuItemInfoW(bar, position, TRUE, &info));
        EXPECT_EQ(info.dwItemData, reinterpret_cast<ULONG_PTR>(record)) << "kept for an owner drawing the bar";
    }
    std::wstring text;
    bar.GetMenuString(0, text, MF_BYPOSITION);
    EXPECT_EQ(text, L"&File");
    EXPECT_FALSE(BCMenu::IsRegisteredMenu(&bar));

    BCMenu* file = SubMenu(bar, 0);
    BCMenu* actions = SubMenu(bar, 1);
    ASSERT_NE(file, nullptr);
    ASSERT_NE(actions, nullptr);
    BCMenu* recent = SubMenu(*file, 3);
    ASSERT_NE(recent, nullptr);
    for (BCMenu* popup : {file, actions, recent}) {
        EXPECT_TRUE(BCMenu::IsRegisteredMenu(popup));
        ExpectInStep(*popup);
    }
    EXPECT_EQ(file->GetMenuItemCount(), 5);
    EXPECT_EQ(recent->GetMenuItemCount(), 2);
    const BCMenuData* separator = ItemData(*file, 2);
    EXPECT_EQ(separator->commandId, 0u);
    EXPECT_EQ(separator->menuFlags, static_cast<UINT>(MF_SEPARATOR | MF_OWNERDRAW));
    EXPECT_TRUE(file->GetMenuState(ID_WT_SAVE_AS, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_TRUE(recent->GetMenuState(ID_WT_FIRST, MF_BYCOMMAND) & MF_CHECKED);

    // The texts before the tabs are padded to the widest such part of their level plus a space.
    const std::wstring open = ItemData(*file, 0)->text;
    const std::wstring saveAs = ItemData(*file, 1)->text;
    EXPECT_EQ(open.substr(open.find(L'\t')), L"\tCtrl+O");
    EXPECT_EQ(saveAs.substr(saveAs.find(L'\t')), L"\tCtrl+Shift+S");
    EXPECT_EQ(BeforeTab(open).substr(0, 5), L"&Open");
    LONG widest = 0;
    for (int position = 0; position < 5; ++position) {
        std::wstring before = BeforeTab(ItemData(*file, position)->text);
        before.erase(before.find_last_not_of(L' ') + 1); // the padding
        widest = std::max(widest, MenuFontWidth(before + L" "));
    }
    const LONG space = MenuFontWidth(L" ");
    for (const std::wstring& padded : {open, saveAs}) {
        EXPECT_GE(MenuFontWidth(BeforeTab(padded)), widest);
        EXPECT_LT(MenuFontWidth(BeforeTab(padded)), widest + space);
    }
    EXPECT_EQ(ItemData(*file, 4)->text, L"E&xit");

    // A missing or cut-short template leaves the menu empty.
    EXPECT_FALSE(bar.LoadMenu(IDM_WIDGETS_TEST + 99));
    EXPECT_EQ(bar.m_hMenu, nullptr);
    EXPECT_EQ(bar.GetRecordCount(), 0);
    EXPECT_FALSE(BCMenu::IsRegisteredMenuHandle(file->m_hMenu));
    EXPECT_FALSE(bar.LoadMenu(IDM_WIDGETS_CUT_SHORT));
    EXPECT_EQ(bar.m_hMenu, nullptr);
}

TEST(BCMenu, AppendedItemsAreOwnerDrawnAndCommandZeroIsASeparator)
{
    BCMenu menu;
    ASSERT_TRUE(menu.CreatePopupMenu());
    BCMenu popup;
    ASSERT_TRUE(popup.CreatePopupMenu());
    ASSERT_TRUE(menu.AppendMenu(MF_STRING, 501, "&Alpha"));
    ASSERT_TRUE(menu.AppendMenu(MF_STRING, 0, L"ignored"));
    ASSERT_TRUE(menu.AppendMenu(MF_POPUP, reinterpret_cast<UINT_PTR>(popup.m_hMenu), L"\u00c9&t\u00e9"));
    ExpectInStep(menu);
    EXPECT_EQ(ItemData(menu, 0)->text, L"&Alpha");
    EXPECT_EQ(ItemData(menu, 0)->imageIndex, -1);
    EXPECT_EQ(ItemData(menu, 1)->menuFlags, static_cast<UINT>(MF_SEPARATOR | MF_OWNERDRAW));
    EXPECT_TRUE(menu.GetMenuState(1, MF_BYPOSITION) & MF_SEPARATOR);
    EXPECT_TRUE(BCMenu::IsRegisteredMenu(&popup));
    EXPECT_EQ(menu.FindItemData(reinterpret_cast<UINT_PTR>(popup.m_hMenu))->text, L"\u00c9&t\u00e9");
    EXPECT_EQ(menu.FindItemData(999), nullptr);

    // A popup handed in stays its caller's: the menu unregisters it and lets it go with its handle.
    menu.DestroyMenu();
    EXPECT_FALSE(BCMenu::IsRegisteredMenu(&popup));
    EXPECT_EQ(popup.m_hMenu, nullptr);
}

TEST(BCMenu, MnemonicsFindTheFirstItemHoldingTheKey)
{
    BCMenu bar;
    ASSERT_TRUE(bar.LoadMenu(IDM_WIDGETS_TEST));
    BCMenu* file = SubMenu(bar, 0);
    BCMenu* recent = SubMenu(*file, 3);
    EXPECT_EQ(BCMenu::HandleMenuChar('a', MF_POPUP, file), static_cast<LRESULT>(1 | MNC_EXECUTE << 16));
    EXPECT_EQ(BCMenu::HandleMenuChar('X', MF_POPUP, file), static_cast<LRESULT>(4 | MNC_EXECUTE << 16));
    EXPECT_EQ(BCMenu::HandleMenuChar('f', MF_POPUP, recent), static_cast<LRESULT>(0 | MNC_EXECUTE << 16));
    EXPECT_EQ(BCMenu::HandleMenuChar('S', MF_POPUP, recent), static_cast<LRESULT>(1 | MNC_EXECUTE << 16));
    EXPECT_EQ(BCMenu::HandleMenuChar('q', MF_POPUP, file), 0);
    EXPECT_EQ(BCMenu::HandleMenuChar('a', MF_SYSMENU, file), 0);
    CMenu plain;
    ASSERT_TRUE(plain.CreatePopupMenu());
    plain.AppendMenu(MF_STRING, 1, "&apple");
    EXPECT_EQ(BCMenu::HandleMenuChar('a', MF_POPUP, &plain), 0);

    // An item put in behind the menu's back is found once the records follow the items again.
    ASSERT_TRUE(::InsertMenuW(*file, 0, MF_BYPOSITION | MF_STRING, 601, L"&Zoom"));
    EXPECT_EQ(BCMenu::HandleMenuChar('z', MF_POPUP, file), static_cast<LRESULT>(0 | MNC_EXECUTE << 16));
    EXPECT_EQ(BCMenu::HandleMenuChar('a', MF_POPUP, file), static_cast<LRESULT>(2 | MNC_EXECUTE << 16));
}

namespace {

const UINT kRenamed = 702;

// Renames one item in the command-update pass, then lets the menu follow, as the main window does.
class CSyncingOwner : public CWnd {
protected:
    bool OnUpdateCommand(CCmdUI* item) override
    {
        if (item->m_nID != kRenamed)
            return false;
        item->SetText("&Renamed");
        return true;
    }
    bool OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override
    {
        const bool handled = CWnd::OnWndMsg(msg, wParam, lParam, result);
        if (msg == WM_INITMENUPOPUP) {
            CMenu* menu = CMenu::FromHandlePermanent(reinterpret_cast<HMENU>(wParam));
            if (BCMenu::IsRegisteredMenu(menu))
                BCMenu::SyncPopupMenu(menu);
        }
        return handled;
    }
};

} // namespace

TEST(BCMenu, ResyncFollowsItemsInsertedRemovedReorderedAndRenamed)
{
    BCMenu menu, popup; // handed to the bar below, so they outlive it
    ASSERT_TRUE(menu.CreatePopupMenu());
    ASSERT_TRUE(popup.CreatePopupMenu());
    ASSERT_TRUE(menu.AppendMenu(MF_STRING, 701, L"&One"));
    ASSERT_TRUE(menu.AppendMenu(MF_STRING, kRenamed, L"&Two"));
    ASSERT_TRUE(menu.AppendMenu(MF_SEPARATOR));
    ASSERT_TRUE(menu.AppendMenu(MF_STRING, 703, L"&Three"));
    ASSERT_TRUE(menu.AppendMenu(MF_POPUP, reinterpret_cast<UINT_PTR>(popup.m_hMenu), L"&More"));
    BCMenu bar;
    ASSERT_TRUE(bar.CreateMenu());
    ASSERT_TRUE(bar.AppendMenu(MF_POPUP, reinterpret_cast<UINT_PTR>(menu.m_hMenu), L"&Menu"));
    const BCMenuData* one = menu.FindItemData(701);
    const BCMenuData* two = menu.FindItemData(kRenamed);
    const BCMenuData* more = menu.FindItemData(reinterpret_cast<UINT_PTR>(popup.m_hMenu));

    // Plain Win32: "Three" goes, "One" moves to the end, greyed and renamed, and a string item, a
    // second separator and a popup without a record come in.
    HMENU extra = ::CreatePopupMenu();
    ASSERT_TRUE(::RemoveMenu(menu, 703, MF_BYCOMMAND));
    ASSERT_TRUE(::RemoveMenu(menu, 701, MF_BYCOMMAND));
    ASSERT_TRUE(::AppendMenuW(menu, MF_STRING | MF_GRAYED, 701, L"&One moved"));
    ASSERT_TRUE(::InsertMenuW(menu, 0, MF_BYPOSITION | MF_STRING, 704, L"&New"));
    ASSERT_TRUE(::InsertMenuW(menu, 0, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr));
    ASSERT_TRUE(::AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(extra), L"E&xtra"));

    // Wine 8 keeps a text set with MIIM_STRING on an owner-drawn item, and the item stays
    // owner-drawn: the update pass renames the program's items that way.
    std::wstring text;
    MENUITEMINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_STRING;
    info.dwTypeData = const_cast<wchar_t*>(L"&Probe");
    ASSERT_TRUE(::SetMenuItemInfoW(menu, 704, FALSE, &info));
    EXPECT_EQ(menu.GetMenuString(704, text, MF_BYCOMMAND), 6);
    EXPECT_EQ(text, L"&Probe");
    ASSERT_TRUE(::ModifyMenuW(menu, 704, MF_BYCOMMAND | MF_OWNERDRAW, 704, reinterpret_cast<const wchar_t*>(1)));
    ASSERT_TRUE(::SetMenuItemInfoW(menu, 704, FALSE, &info));
    EXPECT_EQ(menu.GetMenuString(704, text, MF_BYCOMMAND), 6);
    EXPECT_EQ(text, L"&Probe");
    EXPECT_TRUE(menu.GetMenuState(704, MF_BYCOMMAND) & MF_OWNERDRAW);
    ASSERT_TRUE(::ModifyMenuW(menu, 704, MF_BYCOMMAND | MF_STRING, 704, L"&New"));

    CSyncingOwner owner;
    ASSERT_TRUE(owner.CreateEx(0, AfxRegisterWndClass(0), "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    owner.SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu.m_hMenu), 0);
    ExpectInStep(menu);
    ASSERT_EQ(menu.GetMenuItemCount(), 7);
    EXPECT_EQ(ItemData(menu, 1)->text, L"&New");
    EXPECT_EQ(ItemData(menu, 2), two);
    EXPECT_EQ(two->text, L"&Renamed"); // set by the update pass on the owner-drawn item
    EXPECT_EQ(ItemData(menu, 4), more);
    EXPECT_EQ(more->text, L"&More");
    EXPECT_EQ(ItemData(menu, 5), one);
    EXPECT_EQ(one->text, L"&One moved");
    EXPECT_TRUE(one->menuFlags & MF_GRAYED);
    EXPECT_TRUE(menu.GetMenuState(701, MF_BYCOMMAND) & MF_GRAYED);
    const BCMenuData* added = ItemData(menu, 6);
    EXPECT_EQ(added->text, L"E&xtra");
    EXPECT_EQ(added->menuFlags & (MF_POPUP | MF_OWNERDRAW), static_cast<UINT>(MF_POPUP | MF_OWNERDRAW));
    EXPECT_EQ(menu.FindItemData(703), nullptr);

    // A second pass changes nothing.
    std::vector<const BCMenuData*> before;
    for (int position = 0; position < 7; ++position)
        before.push_back(ItemData(menu, position));
    BCMenu::SyncPopupMenu(&menu);
    for (int position = 0; position < 7; ++position)
        EXPECT_EQ(ItemData(menu, position), before[position]);
    EXPECT_EQ(two->text, L"&Renamed");
}

TEST(BCMenu, OneImagePerCommandEverywhereInTheTree)
{
    CImageList images;
    ASSERT_TRUE(images.Create(16, 16, ILC_COLOR24 | ILC_MASK, 2, 1));
    CIcon art;
    ASSERT_TRUE(art.Load(IDI_TEST_ART, 16, 16));
    ASSERT_EQ(images.Add(art), 0);
    CIcon warning(::CopyIcon(CSharedIcon::System(IDI_WARNING)));
    ASSERT_EQ(images.Add(warning), 1);

    BCMenu bar;
    ASSERT_TRUE(bar.LoadMenu(IDM_WIDGETS_TEST));
    const int before = BCMenu::SharedImageList().GetImageCount();
    ASSERT_TRUE(bar.ModifyOwnerDrawItem(static_cast<const char*>(nullptr), ID_WT_OPEN, &images, 0));
    const int shared = BCMenu::SharedImageList().GetImageCount();
    EXPECT_EQ(shared, before + 1);
    const BCMenuData* inFile = ItemData(*SubMenu(bar, 0), 0);
    const BCMenuData* inActions = ItemData(*SubMenu(bar, 1), 2);
    ASSERT_EQ(inFile->commandId, static_cast<UINT_PTR>(ID_WT_OPEN));
    ASSERT_EQ(inActions->commandId, static_cast<UINT_PTR>(ID_WT_OPEN));
    EXPECT_GE(inFile->imageIndex, 0);
    EXPECT_EQ(inActions->imageIndex, inFile->imageIndex);
    EXPECT_EQ(BCMenu::SharedImageIds()[inFile->imageIndex], static_cast<UINT_PTR>(ID_WT_OPEN));
    EXPECT_EQ(BCMenu::SharedImageList().GetImageCount(), shared);
    EXPECT_EQ(BeforeTab(inFile->text).substr(0, 5), L"&Open"); // a null text keeps it

    // Again, with another image and a text: the image is replaced in place, both texts change.
    ASSERT_TRUE(bar.ModifyOwnerDrawItem("&Open it", ID_WT_OPEN, &images, 1));
    EXPECT_EQ(BCMenu::SharedImageList().GetImageCount(), shared);
    EXPECT_EQ(inActions->imageIndex, inFile->imageIndex);
    EXPECT_EQ(inFile->text, L"&Open it");
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

TEST(BCMenu, RemoveMenuTakesItemsWithTheirRecordsAndPopupsWithTheirObjects)
{
    CCountingMenu::s_made = CCountingMenu::s_deleted = 0;
    CCountingMenu bar;
    ASSERT_TRUE(bar.LoadMenu(IDM_WIDGETS_TEST));
    EXPECT_EQ(CCountingMenu::s_made, 1 + 3);
    BCMenu* file = SubMenu(bar, 0);
    BCMenu* recent = SubMenu(*file, 3);
    const HMENU recentHandle = recent->m_hMenu;

    // By command, found in whichever popup holds it.
    ASSERT_TRUE(bar.RemoveMenu(ID_WT_SECOND, MF_BYCOMMAND));
    EXPECT_EQ(recent->GetMenuItemCount(), 1);
    ExpectInStep(*recent);
    ASSERT_TRUE(bar.RemoveMenu(ID_WT_PAUSE, MF_BYCOMMAND));
    ExpectInStep(*SubMenu(bar, 1));
    EXPECT_EQ(SubMenu(bar, 1)->GetMenuItemCount(), 2);
    EXPECT_FALSE(bar.RemoveMenu(4242, MF_BYCOMMAND));

    // By position: a separator, then a popup with its items, record and object.
    ASSERT_TRUE(file->RemoveMenu(2, MF_BYPOSITION));
    ExpectInStep(*file);
    ASSERT_TRUE(file->RemoveMenu(2, MF_BYPOSITION));
    EXPECT_EQ(CCountingMenu::s_deleted, 1);
    EXPECT_FALSE(BCMenu::IsRegisteredMenuHandle(recentHandle));
    EXPECT_FALSE(::IsMenu(recentHandle));
    ExpectInStep(*file);
    EXPECT_EQ(file->GetMenuItemCount(), 3);
    EXPECT_EQ(bar.FindItemData(ID_WT_FIRST), nullptr);
}

TEST(BCMenu, DestroyMenuDeletesThePopupObjectsItMadeAlsoAfterTheirWindowWent)
{
    CCountingMenu::s_made = CCountingMenu::s_deleted = 0;
    std::vector<HMENU> popups;
    {
        CCountingMenu bar;
        ASSERT_TRUE(bar.LoadMenu(IDM_WIDGETS_TEST));
        popups = {::GetSubMenu(bar, 0), ::GetSubMenu(bar, 1), ::GetSubMenu(::GetSubMenu(bar, 0), 3)};
        ASSERT_TRUE(bar.DestroyMenu());
        EXPECT_EQ(CCountingMenu::s_deleted, 3);
        EXPECT_EQ(bar.GetRecordCount(), 0);
        for (HMENU popup : popups) {
            EXPECT_FALSE(BCMenu::IsRegisteredMenuHandle(popup));
            EXPECT_FALSE(::IsMenu(popup));
        }
    }
    EXPECT_EQ(CCountingMenu::s_deleted, 4);

    // The window's menu goes with the window, and its objects let go of their handles first.
    CCountingMenu::s_made = CCountingMenu::s_deleted = 0;
    {
        CCountingMenu bar;
        ASSERT_TRUE(bar.LoadMenu(IDM_WIDGETS_TEST));
        popups = {::GetSubMenu(bar, 0), ::GetSubMenu(bar, 1), ::GetSubMenu(::GetSubMenu(bar, 0), 3)};
        {
            CWnd wnd;
            ASSERT_TRUE(
                wnd.CreateEx(0, AfxRegisterWndClass(0), "", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr));
            ASSERT_TRUE(wnd.SetMenu(bar));
            ASSERT_TRUE(wnd.DestroyWindow());
        }
        EXPECT_EQ(bar.m_hMenu, nullptr);
        EXPECT_EQ(CCountingMenu::s_deleted, 0);
    }
    EXPECT_EQ(CCountingMenu::s_deleted, 1 + 3);
    for (HMENU popup : popups)
        EXPECT_FALSE(BCMenu::IsRegisteredMenuHandle(popup));
}
