#pragma once
// A window that owns BCMenu popups the way the program's windows do (the framework routes no
// menu drawing): it hands WM_MEASUREITEM and WM_DRAWITEM of menu items to BCMenu, WM_MENUCHAR to
// HandleMenuChar and, after its own command-update pass, WM_INITMENUPOPUP to SyncPopupMenu. It
// counts the items it was asked to measure and draw, and may force one look (the gallery shows
// both).

#include <set>

#include <windows.h>

#include "framework/Wnd.h"
#include "framework/MessageCrackers.h" // after Wnd.h: windowsx.h defines SubclassWindow
#include "widgets/BCMenu.h"
#include "widgets/MenuItemDrawing.h"

class CMenuOwnerWnd : public CWnd {
public:
    std::set<ULONG_PTR> measured; // the item data of every item measured
    std::set<ULONG_PTR> drawn;
    bool forceLook = false;
    EMenuLook look = EMenuLook::Classic;

protected:
    bool OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override
    {
        if (msg == WM_MEASUREITEM && MeasureItemFromLParam(lParam)->CtlType == ODT_MENU) {
            MEASUREITEMSTRUCT* measure = MeasureItemFromLParam(lParam);
            measured.insert(measure->itemData);
            if (forceLook)
                MeasureMenuItem(measure, look);
            else
                m_anyMenu.MeasureItem(measure); // the record is all it needs
            *result = TRUE;
            return true;
        }
        if (msg == WM_DRAWITEM && DrawItemFromLParam(lParam)->CtlType == ODT_MENU) {
            DRAWITEMSTRUCT* draw = DrawItemFromLParam(lParam);
            drawn.insert(draw->itemData);
            if (forceLook)
                DrawMenuItem(draw, look);
            else
                m_anyMenu.DrawItem(draw);
            *result = TRUE;
            return true;
        }
        if (msg == WM_MENUCHAR) {
            CMenu* menu = CMenu::FromHandlePermanent(reinterpret_cast<HMENU>(lParam));
            if (BCMenu::IsRegisteredMenu(menu)) {
                *result = BCMenu::HandleMenuChar(LOWORD(wParam), HIWORD(wParam), menu);
                return true;
            }
        }
        const bool handled = CWnd::OnWndMsg(msg, wParam, lParam, result);
        if (msg == WM_INITMENUPOPUP) {
            CMenu* menu = CMenu::FromHandlePermanent(reinterpret_cast<HMENU>(wParam));
            if (BCMenu::IsRegisteredMenu(menu))
                BCMenu::SyncPopupMenu(menu);
        }
        return handled;
    }

private:
    BCMenu m_anyMenu;
};
