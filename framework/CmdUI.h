#pragma once
// CCmdUI: one menu item during the command-update pass that runs when a popup opens
// (WM_INITMENUPOPUP). The owning window's update handler may enable, check or rename it.

#include <windows.h>

class CCmdUI {
public:
    CCmdUI(HMENU menu, UINT index, UINT id) : m_pMenu(menu), m_nIndex(index), m_nID(id) {}

    void Enable(BOOL on = TRUE);
    void SetCheck(int check = 1); // 0 clear, 1 checked
    void SetText(const char* text);

    HMENU m_pMenu; // the popup (not owned)
    UINT m_nIndex; // position of the item
    UINT m_nID;    // its command
};
