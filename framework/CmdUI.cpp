#include "framework/CmdUI.h"

void CCmdUI::Enable(BOOL on)
{
    ::EnableMenuItem(m_pMenu, m_nIndex, MF_BYPOSITION | (on ? MF_ENABLED : MF_GRAYED));
}

void CCmdUI::SetCheck(int check)
{
    ::CheckMenuItem(m_pMenu, m_nIndex, MF_BYPOSITION | (check ? MF_CHECKED : MF_UNCHECKED));
}

void CCmdUI::SetText(const char* text)
{
    // Keep the item's other flags and data: only its string changes.
    MENUITEMINFOA info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_STRING;
    info.dwTypeData = const_cast<char*>(text ? text : "");
    ::SetMenuItemInfoA(m_pMenu, m_nIndex, TRUE, &info);
}
