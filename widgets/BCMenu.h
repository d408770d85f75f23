#pragma once
// BCMenu: a menu that draws every item itself (an image column, the text with a right-aligned
// accelerator part, check marks and separators) in the XP or the classic look (MenuItemDrawing.h).
//
// Each item's data is a BCMenuData record owned by the menu that lists it. The popups LoadMenu
// creates are BCMenu objects owned by the menu that created them: DestroyMenu (and so the
// destructor) deletes them, also after their handles were let go with a window's menu. Popups
// handed in with MF_POPUP stay their caller's.
//
// Process-wide: the handles of the popups added through this class (RegisteredPopups), and one
// image list of 16 x 16 item images keyed by command (SharedImageList, SharedImageIds), so an
// image set once for a command shows on every item of that command.
//
// The owner window hands this class its menus' WM_MEASUREITEM and WM_DRAWITEM (ODT_MENU), and,
// when IsRegisteredMenu holds for the menu, WM_MENUCHAR to HandleMenuChar and WM_INITMENUPOPUP to
// SyncPopupMenu after its own command-update pass (the items' texts may have changed there).
//
// Texts: the wide calls take UTF-16, the ANSI ones the ANSI code page. User-interface thread.

#include <memory>
#include <vector>

#include <windows.h>

#include "framework/ImageList.h"
#include "framework/Menu.h"
#include "widgets/BCMenuData.h"

class BCMenu : public CMenu {
    DECLARE_DYNAMIC(BCMenu)

public:
    BCMenu();
    ~BCMenu() override;

    // Measuring and drawing one item (the record in the item's data; nothing without one).
    void MeasureItem(MEASUREITEMSTRUCT* measure) override;
    void DrawItem(DRAWITEMSTRUCT* draw) override;

    // Builds the menu from a MENU template of the resource module, else of the program: a bar of
    // plain string items over owner-drawn popups, each popup's accelerator texts aligned. False,
    // with the menu empty, when the template is missing or malformed.
    BOOL LoadMenu(UINT id) override;
    BOOL LoadMenu(const char* name) override;
    // Unregisters this menu's popups, deletes the popup objects it created and its records, then
    // destroys the menu.
    BOOL DestroyMenu() override;

    // Appends an owner-drawn item: command 0 makes a separator; a popup (MF_POPUP, commandId its
    // handle) is registered. The item takes the shared image of its command, if any.
    BOOL AppendMenu(UINT flags, UINT_PTR commandId = 0, const char* text = nullptr);
    BOOL AppendMenu(UINT flags, UINT_PTR commandId, const wchar_t* text);
    // Every item of that command in the menu tree gets the text (null keeps it) and image `offset`
    // of `images` (copied into the shared list) and is made owner-drawn. False when no item of
    // this tree has the command.
    BOOL ModifyOwnerDrawItem(const wchar_t* text, UINT commandId, CImageList* images, int offset);
    BOOL ModifyOwnerDrawItem(const char* text, UINT commandId, CImageList* images, int offset);
    // By command, the BCMenu of this tree holding it removes it; by position, a popup goes with
    // its items, its record and, when this menu created it, its object.
    BOOL RemoveMenu(UINT item, UINT flags);
    // The record of the first item with that command: this menu's first, then its BCMenu popups'.
    BCMenuData* FindItemData(UINT_PTR commandId);
    // Records held (one per item once in step with the menu).
    int GetRecordCount() const { return static_cast<int>(m_items.size()); }

    // Kept for callers; the item images come from image lists, so neither changes the drawing.
    void SetImageBackColor(COLORREF colour);
    void SetMenuBackColor(COLORREF colour) { m_menuBackColour = colour; }
    void EnableMenuBackColor(BOOL enable) { m_menuBackColourEnabled = enable != FALSE; }

    static bool IsRegisteredMenu(const CMenu* menu);
    static bool IsRegisteredMenuHandle(HMENU menu);
    // For the owner's WM_INITMENUPOPUP: a BCMenu's records are matched to its items again.
    static void SyncPopupMenu(CMenu* menu);
    // For the owner's WM_MENUCHAR (character, flags = its wParam's words): the item whose text
    // holds "&" and the character, as position | MNC_EXECUTE << 16; 0 when none or not a popup.
    static LRESULT HandleMenuChar(UINT character, UINT flags, CMenu* menu);
    // Each channel c becomes c + factor x (255 - c); a factor outside (0, 1] changes nothing.
    static COLORREF BlendTowardWhite(COLORREF colour, double factor);

    // The item images, 16 x 16 (made on first use), and the command of each image by index.
    static CImageList& SharedImageList();
    static const std::vector<UINT_PTR>& SharedImageIds();

protected:
    // The object LoadMenu makes for a popup it creates (a derived class may count them).
    virtual BCMenu* NewPopupObject() const { return new BCMenu; }

private:
    BCMenu* FindBCSubMenu(int position) const;
    // The menu of this tree holding the command, and the item's position in it.
    BCMenu* FindHolder(UINT_PTR commandId, int* position);
    BCMenuData* RecordAt(int position, UINT_PTR commandId) const;
    void DeleteFirstRecord(UINT_PTR commandId);
    void ReleasePopupObject(HMENU popup);
    void SyncItems();
    void AlignAccelerators();
    void ModifyOwnerDrawTree(const wchar_t* text, UINT commandId, int imageIndex, bool* any, bool* allDone);

    static std::vector<HMENU>& RegisteredPopups();
    static void Unregister(HMENU menu);
    static int SharedImageIndex(UINT_PTR commandId);
    static int SetSharedImage(UINT_PTR commandId, CImageList& images, int offset);

    std::vector<std::unique_ptr<BCMenuData>> m_items;   // one per position, in order
    std::vector<HMENU> m_subMenus;                      // popups this menu created or registered
    std::vector<std::unique_ptr<BCMenu>> m_ownedPopups; // the popup objects LoadMenu made here
    COLORREF m_imageMaskColour = RGB(192, 192, 192);
    bool m_useImageMaskColour = false; // false: COLOR_BTNFACE is the mask colour
    COLORREF m_menuBackColour = 0;
    bool m_menuBackColourEnabled = false;
};
