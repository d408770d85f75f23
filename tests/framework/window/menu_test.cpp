#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "framework/AppState.h"
#include "framework/CmdUI.h"
#include "framework/Menu.h"
#include "framework/Wnd.h"
#include "framework/WndClass.h"
#include "window/Input.h"
#include "window/ModalDriver.h"
#include "window_test_ids.h"

namespace {

class CDerivedMenu : public CMenu {
    DECLARE_DYNAMIC(CDerivedMenu)
};
IMPLEMENT_DYNAMIC(CDerivedMenu, CMenu)

// Greys "Save" and renames "Open" when a popup opens.
class CUpdatingWnd : public CWnd {
protected:
    bool OnUpdateCommand(CCmdUI* item) override
    {
        if (item->m_nID == ID_FILE_SAVE)
            item->Enable(FALSE);
        else if (item->m_nID == ID_FILE_OPEN)
            item->SetText("&Open...");
        else
            return false;
        item->SetCheck(1);
        return true;
    }
};

// One line per item of a MENU template's level, indented by depth: "flags id "text"" (a popup
// has no id). Stops at the end-of-level flag, as the owner-drawn menu's reader does.
void ReadLevel(const WORD*& at, const WORD* end, int depth, std::vector<std::string>& lines)
{
    while (at < end) {
        const WORD flags = *at++;
        char line[160];
        int used = std::snprintf(line, sizeof(line), "%*s0x%02x", depth * 2, "", flags);
        if (!(flags & 0x10) && at < end)
            used += std::snprintf(line + used, sizeof(line) - used, " %u", *at++);
        std::string text;
        while (at < end && *at)
            text += static_cast<char>(*at++);
        ++at;
        lines.push_back(std::string(line) + " \"" + text + "\"");
        if (flags & 0x10)
            ReadLevel(at, end, depth + 1, lines);
        if (flags & 0x80)
            return;
    }
    lines.push_back("cut short");
}

} // namespace

TEST(Menu, TemplatesHoldTheLayoutTheOwnerDrawnMenuParses)
{
    HRSRC found = ::FindResourceA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDM_TEST), RT_MENU);
    ASSERT_NE(found, nullptr);
    const DWORD size = ::SizeofResource(AfxGetResourceHandle(), found);
    const auto* words = static_cast<const WORD*>(::LockResource(::LoadResource(AfxGetResourceHandle(), found)));
    ASSERT_NE(words, nullptr);
    ASSERT_GE(size, 4u);
    EXPECT_EQ(words[0], 0u); // version
    EXPECT_EQ(words[1], 0u); // header size: items from byte 4
    const WORD* at = words + 2;
    std::vector<std::string> lines;
    ReadLevel(at, words + size / 2, 0, lines);
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "0x90 \"&File\"",
                         "  0x00 301 \"&Open\"",
                         "  0x00 302 \"&Save\"",
                         "  0x00 0 \"\"", // MENUITEM SEPARATOR
                         "  0x10 \"&Recent\"",
                         "    0x80 304 \"One\"",
                         "  0x80 303 \"E&xit\"",
                     }));

    // A reader handing entries to AppendMenu must turn that one into MF_SEPARATOR: Wine 8 makes
    // flags 0 with an empty text an empty string item (only a null text becomes a separator).
    CMenu loaded;
    ASSERT_TRUE(loaded.LoadMenu(IDM_TEST));
    EXPECT_TRUE(::GetMenuState(::GetSubMenu(loaded, 0), 2, MF_BYPOSITION) & MF_SEPARATOR);
}

TEST(Menu, HandleMapRuntimeClassAndSubMenus)
{
    CDerivedMenu bar;
    ASSERT_TRUE(bar.LoadMenu(IDM_TEST));
    EXPECT_EQ(CMenu::FromHandlePermanent(bar.m_hMenu), &bar);
    EXPECT_TRUE(bar.IsKindOf(RUNTIME_CLASS(CMenu)));
    EXPECT_TRUE(bar.IsKindOf(RUNTIME_CLASS(CDerivedMenu)));
    CMenu plain;
    EXPECT_FALSE(plain.IsKindOf(RUNTIME_CLASS(CDerivedMenu)));

    // A popup has an object only once one is attached to its handle.
    EXPECT_EQ(bar.GetSubMenu(0), nullptr);
    CMenu file;
    ASSERT_TRUE(file.Attach(::GetSubMenu(bar, 0)));
    EXPECT_EQ(bar.GetSubMenu(0), &file);
    EXPECT_EQ(file.GetMenuItemCount(), 5);
    EXPECT_EQ(file.GetMenuItemID(2), 0u);                    // separator
    EXPECT_EQ(file.GetMenuItemID(3), static_cast<UINT>(-1)); // popup
    std::wstring text;
    file.GetMenuString(ID_FILE_EXIT, text, MF_BYCOMMAND);
    EXPECT_EQ(text, L"E&xit");

    file.CheckMenuItem(ID_FILE_OPEN, MF_BYCOMMAND | MF_CHECKED);
    file.EnableMenuItem(1, MF_BYPOSITION | MF_GRAYED);
    EXPECT_TRUE(file.GetMenuState(ID_FILE_OPEN, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_TRUE(file.GetMenuState(ID_FILE_SAVE, MF_BYCOMMAND) & MF_GRAYED);
    ASSERT_TRUE(file.InsertMenu(0, MF_BYPOSITION | MF_STRING, 400, L"Wide \u00e9"));
    ASSERT_TRUE(file.ModifyMenu(400, MF_BYCOMMAND | MF_STRING, 401, "Renamed"));
    CString ansi;
    file.GetMenuString(401, ansi, MF_BYCOMMAND);
    EXPECT_EQ(ansi, "Renamed");
    ASSERT_TRUE(file.RemoveMenu(0, MF_BYPOSITION));
    ASSERT_TRUE(file.SetDefaultItem(ID_FILE_EXIT));
    EXPECT_EQ(file.GetDefaultItem(0), static_cast<UINT>(ID_FILE_EXIT));
    file.Detach();

    CMenu named;
    EXPECT_TRUE(named.LoadMenu("NAMEDMENU"));
    EXPECT_FALSE(CMenu().LoadMenu(IDD_MISSING));
}

TEST(Menu, DestroyAfterTheWindowTookTheMenuDoesNoHarm)
{
    CMenu bar;
    ASSERT_TRUE(bar.LoadMenu(IDM_TEST));
    HMENU handle = bar.m_hMenu;
    {
        CWnd wnd;
        ASSERT_TRUE(wnd.CreateEx(0, AfxRegisterWndClass(0), "", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr));
        ASSERT_TRUE(wnd.SetMenu(bar));
    }
    EXPECT_FALSE(::IsMenu(handle));

    // The system menu takes items like any other menu.
    CWnd framed;
    ASSERT_TRUE(framed.CreateEx(0, AfxRegisterWndClass(0), "", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr));
    CMenu system;
    ASSERT_TRUE(system.Attach(framed.GetSystemMenu(FALSE)));
    const int count = system.GetMenuItemCount();
    EXPECT_TRUE(system.AppendMenu(MF_STRING, 16, "&About..."));
    EXPECT_EQ(system.GetMenuItemCount(), count + 1);
    system.Detach();
    EXPECT_FALSE(bar.DestroyMenu());
    EXPECT_EQ(CMenu::FromHandlePermanent(handle), nullptr);
}

// An object still holding such a handle would destroy whatever menu the system gave its value
// to next.
TEST(Menu, ObjectsOfMenusThatWentWithTheirParentNoLongerHoldTheirHandles)
{
    // Declared first, so destroyed after the menus that own their handles.
    CMenu file, recent, windowFile, system, deleted;
    {
        CMenu bar;
        ASSERT_TRUE(bar.LoadMenu(IDM_TEST));
        ASSERT_TRUE(file.Attach(::GetSubMenu(bar, 0)));
        ASSERT_TRUE(recent.Attach(::GetSubMenu(file, 3)));
    }
    EXPECT_EQ(file.m_hMenu, nullptr);
    EXPECT_EQ(recent.m_hMenu, nullptr);

    CMenu windowBar;
    {
        CWnd wnd;
        ASSERT_TRUE(wnd.CreateEx(0, AfxRegisterWndClass(0), "", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr));
        ASSERT_TRUE(windowBar.LoadMenu(IDM_TEST));
        ASSERT_TRUE(windowFile.Attach(::GetSubMenu(windowBar, 0)));
        ASSERT_TRUE(wnd.SetMenu(windowBar));
        ASSERT_TRUE(system.Attach(wnd.GetSystemMenu(FALSE)));
    }
    EXPECT_EQ(windowBar.m_hMenu, nullptr);
    EXPECT_EQ(windowFile.m_hMenu, nullptr);
    EXPECT_EQ(system.m_hMenu, nullptr);

    CMenu parent;
    ASSERT_TRUE(parent.LoadMenu(IDM_TEST));
    ASSERT_TRUE(deleted.Attach(::GetSubMenu(parent, 0)));
    ASSERT_TRUE(parent.DeleteMenu(0, MF_BYPOSITION));
    EXPECT_EQ(deleted.m_hMenu, nullptr);
}

TEST(Menu, CommandUpdatePassRunsTheOwnersHandlers)
{
    CUpdatingWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, AfxRegisterWndClass(0), "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    CMenu bar;
    ASSERT_TRUE(bar.LoadMenu(IDM_TEST));
    HMENU file = ::GetSubMenu(bar, 0);
    wnd.SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(file), 0);
    EXPECT_TRUE(::GetMenuState(file, ID_FILE_SAVE, MF_BYCOMMAND) & MF_GRAYED);
    EXPECT_TRUE(::GetMenuState(file, ID_FILE_OPEN, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_FALSE(::GetMenuState(file, ID_FILE_EXIT, MF_BYCOMMAND) & (MF_GRAYED | MF_CHECKED));
    char text[32] = {};
    ::GetMenuStringA(file, ID_FILE_OPEN, text, sizeof(text), MF_BYCOMMAND);
    EXPECT_STREQ(text, "&Open...");
}

TEST(Menu, TrackPopupMenuReturnsTheChosenCommand)
{
    CWnd owner;
    ASSERT_TRUE(owner.CreateEx(0, AfxRegisterWndClass(0), "", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr));
    CMenu popup;
    ASSERT_TRUE(popup.CreatePopupMenu());
    popup.AppendMenu(MF_STRING, 501, "First");
    popup.AppendMenu(MF_STRING, 502, "Second");
    // The menu's own loop is driven from inside: down twice, then Enter.
    windowtest::CModalDriver driver("#32768", [](HWND menu) {
        windowtest::PostKey(menu, VK_DOWN);
        windowtest::PostKey(menu, VK_DOWN);
        windowtest::PostKey(menu, VK_RETURN);
    });
    const BOOL chosen = popup.TrackPopupMenu(TPM_RETURNCMD | TPM_LEFTALIGN, 10, 10, owner);
    EXPECT_TRUE(driver.Done());
    EXPECT_EQ(chosen, 502);

    windowtest::CModalDriver escape("#32768", [](HWND menu) { windowtest::PostKey(menu, VK_ESCAPE); });
    EXPECT_EQ(popup.TrackPopupMenu(TPM_RETURNCMD, 10, 10, owner), 0);
}
