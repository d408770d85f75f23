#pragma once
// CMenu: one menu handle attached to one object, with a permanent map from handle to object
// (a popup's object is found from its handle). The destructor destroys the attached menu.
//
// A handle that goes with its parent (a sub-menu of a menu being destroyed or deleted, a window's
// menu bar or system menu when the window goes) is first let go by its object, so the object
// never destroys a handle value the system may since have given to another menu.
//
// Texts: the ANSI calls take the ANSI code page, the wide ones UTF-16. With MF_OWNERDRAW the
// text pointer is the item's data, as in Win32. User-interface thread (the map is not locked).

#include <string>

#include <windows.h>

#include "framework/Object.h"
#include "framework/String.h"

class CWnd;

class CMenu : public CObject {
    DECLARE_DYNAMIC(CMenu)

public:
    CMenu() = default;
    ~CMenu() override;
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    HMENU m_hMenu = nullptr;

    static CMenu* FromHandlePermanent(HMENU menu); // null when no object is attached
    BOOL Attach(HMENU menu);
    HMENU Detach();
    HMENU GetSafeHmenu() const { return m_hMenu; }
    operator HMENU() const { return m_hMenu; }

    BOOL CreateMenu();
    BOOL CreatePopupMenu();
    // From the resource module; the current menu, if any, is destroyed first.
    virtual BOOL LoadMenu(UINT id);
    virtual BOOL LoadMenu(const char* name);
    virtual BOOL DestroyMenu();
    // The menu and its sub-menus go away with their parent: every object attached to one of
    // them lets go of its handle without destroying it.
    static void DetachTree(HMENU menu);

    // Owner-drawn items; nothing by default.
    virtual void DrawItem(DRAWITEMSTRUCT*) {}
    virtual void MeasureItem(MEASUREITEMSTRUCT*) {}

    BOOL AppendMenu(UINT flags, UINT_PTR idOrPopup = 0, const char* text = nullptr);
    BOOL AppendMenu(UINT flags, UINT_PTR idOrPopup, const wchar_t* text);
    BOOL InsertMenu(UINT item, UINT flags, UINT_PTR idOrPopup = 0, const char* text = nullptr);
    BOOL InsertMenu(UINT item, UINT flags, UINT_PTR idOrPopup, const wchar_t* text);
    BOOL ModifyMenu(UINT item, UINT flags, UINT_PTR idOrPopup = 0, const char* text = nullptr);
    BOOL ModifyMenu(UINT item, UINT flags, UINT_PTR idOrPopup, const wchar_t* text);
    BOOL RemoveMenu(UINT item, UINT flags); // a popup removed this way is not destroyed
    BOOL DeleteMenu(UINT item, UINT flags); // a popup deleted this way is destroyed

    // The object attached to the popup at that position; null when none is.
    CMenu* GetSubMenu(int position) const;
    int GetMenuItemCount() const;
    UINT GetMenuItemID(int position) const; // 0 separator, -1 popup
    UINT GetMenuState(UINT item, UINT flags) const;
    int GetMenuString(UINT item, CString& text, UINT flags) const;
    int GetMenuString(UINT item, std::wstring& text, UINT flags) const;
    BOOL GetMenuItemInfo(UINT item, MENUITEMINFOW* info, BOOL byPosition = FALSE) const;
    BOOL SetDefaultItem(UINT item, BOOL byPosition = FALSE);
    UINT GetDefaultItem(UINT flags, BOOL byPosition = FALSE) const;
    UINT CheckMenuItem(UINT item, UINT check);   // the previous state, or -1
    UINT EnableMenuItem(UINT item, UINT enable); // the previous state, or -1

    // Runs the popup's own modal loop. With TPM_RETURNCMD the chosen command (0 for none),
    // otherwise whether it succeeded; commands go to the window unless TPM_RETURNCMD.
    BOOL TrackPopupMenu(UINT flags, int x, int y, HWND owner, const RECT* excluded = nullptr);
};
