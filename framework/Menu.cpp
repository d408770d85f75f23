#include "framework/Menu.h"

#include "framework/AppState.h"
#include "framework/HandleMap.h"

IMPLEMENT_DYNAMIC(CMenu, CObject)

namespace {

CHandleMap<HMENU, CMenu>& MenuMap()
{
    static CHandleMap<HMENU, CMenu> map("CMenu");
    return map;
}

} // namespace

CMenu::~CMenu()
{
    // Not the virtual one: a derived class's part is gone already.
    CMenu::DestroyMenu();
}

CMenu* CMenu::FromHandlePermanent(HMENU menu)
{
    return MenuMap().Find(menu);
}

BOOL CMenu::Attach(HMENU menu)
{
    return MenuMap().Attach(menu, this, m_hMenu) ? TRUE : FALSE;
}

HMENU CMenu::Detach()
{
    return MenuMap().Detach(m_hMenu);
}

BOOL CMenu::CreateMenu()
{
    return !m_hMenu && Attach(::CreateMenu());
}

BOOL CMenu::CreatePopupMenu()
{
    return !m_hMenu && Attach(::CreatePopupMenu());
}

BOOL CMenu::LoadMenu(UINT id)
{
    return LoadMenu(MAKEINTRESOURCEA(id));
}

BOOL CMenu::LoadMenu(const char* name)
{
    DestroyMenu();
    HMENU menu = ::LoadMenuA(AfxGetResourceHandle(), name);
    if (!menu)
        return FALSE;
    if (!Attach(menu)) {
        ::DestroyMenu(menu);
        return FALSE;
    }
    return TRUE;
}

BOOL CMenu::DestroyMenu()
{
    if (!m_hMenu)
        return FALSE;
    const int count = ::GetMenuItemCount(m_hMenu);
    for (int position = 0; position < count; ++position)
        DetachTree(::GetSubMenu(m_hMenu, position));
    HMENU menu = Detach();
    // A window without an object of ours takes its menu bar along unseen.
    return ::IsMenu(menu) && ::DestroyMenu(menu);
}

void CMenu::DetachTree(HMENU menu)
{
    if (!menu || !::IsMenu(menu))
        return;
    const int count = ::GetMenuItemCount(menu);
    for (int position = 0; position < count; ++position)
        DetachTree(::GetSubMenu(menu, position));
    if (CMenu* object = FromHandlePermanent(menu))
        object->Detach();
}

BOOL CMenu::AppendMenu(UINT flags, UINT_PTR idOrPopup, const char* text)
{
    return ::AppendMenuA(m_hMenu, flags, idOrPopup, text);
}

BOOL CMenu::AppendMenu(UINT flags, UINT_PTR idOrPopup, const wchar_t* text)
{
    return ::AppendMenuW(m_hMenu, flags, idOrPopup, text);
}

BOOL CMenu::InsertMenu(UINT item, UINT flags, UINT_PTR idOrPopup, const char* text)
{
    return ::InsertMenuA(m_hMenu, item, flags, idOrPopup, text);
}

BOOL CMenu::InsertMenu(UINT item, UINT flags, UINT_PTR idOrPopup, const wchar_t* text)
{
    return ::InsertMenuW(m_hMenu, item, flags, idOrPopup, text);
}

BOOL CMenu::ModifyMenu(UINT item, UINT flags, UINT_PTR idOrPopup, const char* text)
{
    return ::ModifyMenuA(m_hMenu, item, flags, idOrPopup, text);
}

BOOL CMenu::ModifyMenu(UINT item, UINT flags, UINT_PTR idOrPopup, const wchar_t* text)
{
    return ::ModifyMenuW(m_hMenu, item, flags, idOrPopup, text);
}

BOOL CMenu::RemoveMenu(UINT item, UINT flags)
{
    return ::RemoveMenu(m_hMenu, item, flags);
}

BOOL CMenu::DeleteMenu(UINT item, UINT flags)
{
    MENUITEMINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_SUBMENU;
    if (::GetMenuItemInfoW(m_hMenu, item, (flags & MF_BYPOSITION) != 0, &info))
        DetachTree(info.hSubMenu);
    return ::DeleteMenu(m_hMenu, item, flags);
}

CMenu* CMenu::GetSubMenu(int position) const
{
    return FromHandlePermanent(::GetSubMenu(m_hMenu, position));
}

int CMenu::GetMenuItemCount() const
{
    return ::GetMenuItemCount(m_hMenu);
}

UINT CMenu::GetMenuItemID(int position) const
{
    return ::GetMenuItemID(m_hMenu, position);
}

UINT CMenu::GetMenuState(UINT item, UINT flags) const
{
    return ::GetMenuState(m_hMenu, item, flags);
}

int CMenu::GetMenuString(UINT item, CString& text, UINT flags) const
{
    const int length = ::GetMenuStringA(m_hMenu, item, nullptr, 0, flags);
    if (length <= 0) {
        text.Empty();
        return 0;
    }
    const int got = ::GetMenuStringA(m_hMenu, item, text.GetBuffer(length), length + 1, flags);
    text.ReleaseBuffer(got);
    return got;
}

int CMenu::GetMenuString(UINT item, std::wstring& text, UINT flags) const
{
    const int length = ::GetMenuStringW(m_hMenu, item, nullptr, 0, flags);
    text.assign(length > 0 ? static_cast<size_t>(length) + 1 : 0, L'\0');
    if (length <= 0)
        return 0;
    const int got = ::GetMenuStringW(m_hMenu, item, &text[0], length + 1, flags);
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return got;
}

BOOL CMenu::GetMenuItemInfo(UINT item, MENUITEMINFOW* info, BOOL byPosition) const
{
    return ::GetMenuItemInfoW(m_hMenu, item, byPosition, info);
}

BOOL CMenu::SetDefaultItem(UINT item, BOOL byPosition)
{
    return ::SetMenuDefaultItem(m_hMenu, item, byPosition);
}

UINT CMenu::GetDefaultItem(UINT flags, BOOL byPosition) const
{
    return ::GetMenuDefaultItem(m_hMenu, byPosition, flags);
}

UINT CMenu::CheckMenuItem(UINT item, UINT check)
{
    return static_cast<UINT>(::CheckMenuItem(m_hMenu, item, check));
}

UINT CMenu::EnableMenuItem(UINT item, UINT enable)
{
    return static_cast<UINT>(::EnableMenuItem(m_hMenu, item, enable));
}

BOOL CMenu::TrackPopupMenu(UINT flags, int x, int y, HWND owner, const RECT* excluded)
{
    return ::TrackPopupMenu(m_hMenu, flags, x, y, 0, owner, excluded);
}
