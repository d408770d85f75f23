#include "widgets/BCMenu.h"

#include <algorithm>

#include "framework/Bstr.h"
#include "widgets/MenuItemDrawing.h"

IMPLEMENT_DYNAMIC(BCMenu, CMenu)

BCMenu::BCMenu() = default;

BCMenu::~BCMenu()
{
    BCMenu::DestroyMenu();
}

std::vector<HMENU>& BCMenu::RegisteredPopups()
{
    static std::vector<HMENU> popups;
    return popups;
}

void BCMenu::Unregister(HMENU menu)
{
    auto& popups = RegisteredPopups();
    popups.erase(std::remove(popups.begin(), popups.end(), menu), popups.end());
}

bool BCMenu::IsRegisteredMenuHandle(HMENU menu)
{
    const auto& popups = RegisteredPopups();
    return menu && std::find(popups.begin(), popups.end(), menu) != popups.end();
}

bool BCMenu::IsRegisteredMenu(const CMenu* menu)
{
    return menu && IsRegisteredMenuHandle(menu->m_hMenu);
}

COLORREF BCMenu::BlendTowardWhite(COLORREF colour, double factor)
{
    if (!(factor > 0.0 && factor <= 1.0))
        return colour;
    auto blend = [factor](BYTE c) { return static_cast<BYTE>(c + factor * (255 - c)); };
    return RGB(blend(GetRValue(colour)), blend(GetGValue(colour)), blend(GetBValue(colour)));
}

void BCMenu::SetImageBackColor(COLORREF colour)
{
    m_imageMaskColour = colour;
    m_useImageMaskColour = true;
}

void BCMenu::MeasureItem(MEASUREITEMSTRUCT* measure)
{
    MeasureMenuItem(measure, MenuLookForMeasuring());
}

void BCMenu::DrawItem(DRAWITEMSTRUCT* draw)
{
    if (draw)
        DrawMenuItem(draw, MenuLookForDrawing(draw->hDC));
}

BOOL BCMenu::LoadMenu(UINT id)
{
    return LoadMenu(MAKEINTRESOURCEA(id));
}

BOOL BCMenu::DestroyMenu()
{
    Unregister(m_hMenu);
    for (HMENU popup : m_subMenus)
        Unregister(popup);
    m_subMenus.clear();
    // The popups still in this menu go with its handle below: their objects (and those of their
    // own popups) let go of them first, so deleting the objects destroys no handle twice.
    const int count = m_hMenu ? ::GetMenuItemCount(m_hMenu) : 0;
    for (int position = 0; position < count; ++position)
        DetachTree(::GetSubMenu(m_hMenu, position));
    m_ownedPopups.clear();
    m_items.clear();
    return CMenu::DestroyMenu();
}

BOOL BCMenu::AppendMenu(UINT flags, UINT_PTR commandId, const char* text)
{
    if (!text)
        return AppendMenu(flags, commandId, static_cast<const wchar_t*>(nullptr));
    return AppendMenu(flags, commandId, AnsiToWide(text).c_str());
}

BOOL BCMenu::AppendMenu(UINT flags, UINT_PTR commandId, const wchar_t* text)
{
    if (!m_hMenu)
        return FALSE;
    if (commandId == 0)
        flags = MF_SEPARATOR | MF_OWNERDRAW | (flags & MF_BYPOSITION);
    else
        flags |= MF_OWNERDRAW;
    auto record = std::make_unique<BCMenuData>();
    if (text)
        record->text = text;
    record->imageIndex = SharedImageIndex(commandId);
    record->menuFlags = flags;
    record->commandId = commandId;
    // With MF_OWNERDRAW the "text" is the item's data.
    if (!::AppendMenuW(m_hMenu, flags, commandId, reinterpret_cast<const wchar_t*>(record.get())))
        return FALSE;
    if (flags & MF_POPUP) {
        const HMENU popup = reinterpret_cast<HMENU>(commandId);
        RegisteredPopups().push_back(popup);
        m_subMenus.push_back(popup);
    }
    m_items.push_back(std::move(record));
    return TRUE;
}

BCMenu* BCMenu::FindBCSubMenu(int position) const
{
    return dynamic_cast<BCMenu*>(FromHandlePermanent(::GetSubMenu(m_hMenu, position)));
}

BCMenuData* BCMenu::FindItemData(UINT_PTR commandId)
{
    for (auto& record : m_items)
        if (record->commandId == commandId)
            return record.get();
    const int count = m_hMenu ? ::GetMenuItemCount(m_hMenu) : 0;
    for (int position = 0; position < count; ++position)
        if (BCMenu* popup = FindBCSubMenu(position))
            if (BCMenuData* found = popup->FindItemData(commandId))
                return found;
    return nullptr;
}

BCMenu* BCMenu::FindHolder(UINT_PTR commandId, int* position)
{
    const int count = m_hMenu ? ::GetMenuItemCount(m_hMenu) : 0;
    for (int i = 0; i < count; ++i) {
        if (!::GetSubMenu(m_hMenu, i) && ::GetMenuItemID(m_hMenu, i) == commandId) {
            *position = i;
            return this;
        }
    }
    for (int i = 0; i < count; ++i)
        if (BCMenu* popup = FindBCSubMenu(i))
            if (BCMenu* holder = popup->FindHolder(commandId, position))
                return holder;
    return nullptr;
}

// The record of the item at `position`: the one in that place when it has the command (records
// follow positions), else the first of that command.
BCMenuData* BCMenu::RecordAt(int position, UINT_PTR commandId) const
{
    if (position >= 0 && position < static_cast<int>(m_items.size()) && m_items[position]->commandId == commandId)
        return m_items[position].get();
    for (auto& record : m_items)
        if (record->commandId == commandId)
            return record.get();
    return nullptr;
}

void BCMenu::DeleteFirstRecord(UINT_PTR commandId)
{
    auto it = std::find_if(m_items.begin(), m_items.end(), [commandId](auto& r) { return r->commandId == commandId; });
    if (it != m_items.end())
        m_items.erase(it);
}

// Deletes the object of a popup this menu created; another's stays with its owner.
void BCMenu::ReleasePopupObject(HMENU popup)
{
    auto it = std::find_if(m_ownedPopups.begin(), m_ownedPopups.end(),
                           [popup](auto& object) { return object->m_hMenu == popup; });
    if (it != m_ownedPopups.end())
        m_ownedPopups.erase(it);
}

BOOL BCMenu::RemoveMenu(UINT item, UINT flags)
{
    if (!(flags & MF_BYPOSITION)) {
        int position = -1;
        if (BCMenu* holder = FindHolder(item, &position))
            return holder->RemoveMenu(static_cast<UINT>(position), MF_BYPOSITION);
        return CMenu::RemoveMenu(item, flags);
    }
    const int position = static_cast<int>(item);
    if (HMENU popup = ::GetSubMenu(m_hMenu, position)) {
        m_subMenus.erase(std::remove(m_subMenus.begin(), m_subMenus.end(), popup), m_subMenus.end());
        Unregister(popup);
        BCMenu* object = dynamic_cast<BCMenu*>(FromHandlePermanent(popup));
        for (int i = ::GetMenuItemCount(popup) - 1; i >= 0; --i) {
            if (object)
                object->RemoveMenu(static_cast<UINT>(i), MF_BYPOSITION);
            else
                ::RemoveMenu(popup, static_cast<UINT>(i), MF_BYPOSITION);
        }
        DeleteFirstRecord(reinterpret_cast<UINT_PTR>(popup));
        const BOOL removed = CMenu::RemoveMenu(item, flags);
        ReleasePopupObject(popup); // out of the menu now: its object destroys it
        return removed;
    }
    const UINT state = ::GetMenuState(m_hMenu, item, MF_BYPOSITION);
    if (state != static_cast<UINT>(-1)) {
        if (state & MF_SEPARATOR) {
            if (position < static_cast<int>(m_items.size()))
                m_items.erase(m_items.begin() + position);
        } else {
            DeleteFirstRecord(::GetMenuItemID(m_hMenu, position));
        }
    }
    return CMenu::RemoveMenu(item, flags);
}

void BCMenu::ModifyOwnerDrawTree(const wchar_t* text, UINT commandId, int imageIndex, bool* any, bool* allDone)
{
    const int count = ::GetMenuItemCount(m_hMenu);
    for (int position = 0; position < count; ++position) {
        if (BCMenu* popup = FindBCSubMenu(position)) {
            popup->ModifyOwnerDrawTree(text, commandId, imageIndex, any, allDone);
            continue;
        }
        if (::GetSubMenu(m_hMenu, position) || ::GetMenuItemID(m_hMenu, position) != commandId)
            continue;
        BCMenuData* record = RecordAt(position, commandId);
        if (!record)
            continue;
        *any = true;
        if (text)
            record->text = text;
        record->imageIndex = imageIndex;
        const UINT state = ::GetMenuState(m_hMenu, position, MF_BYPOSITION) & ~(MF_SEPARATOR | MF_POPUP | MF_HILITE);
        record->menuFlags = state | MF_OWNERDRAW;
        if (!::ModifyMenuW(m_hMenu, position, MF_BYPOSITION | record->menuFlags, commandId,
                           reinterpret_cast<const wchar_t*>(record)))
            *allDone = false;
    }
}

BOOL BCMenu::ModifyOwnerDrawItem(const wchar_t* text, UINT commandId, CImageList* images, int offset)
{
    if (!m_hMenu)
        return FALSE;
    const int imageIndex = images ? SetSharedImage(commandId, *images, offset) : -1;
    bool any = false;
    bool allDone = true;
    ModifyOwnerDrawTree(text, commandId, imageIndex, &any, &allDone);
    return any && allDone;
}

BOOL BCMenu::ModifyOwnerDrawItem(const char* text, UINT commandId, CImageList* images, int offset)
{
    if (!text)
        return ModifyOwnerDrawItem(static_cast<const wchar_t*>(nullptr), commandId, images, offset);
    return ModifyOwnerDrawItem(AnsiToWide(text).c_str(), commandId, images, offset);
}
