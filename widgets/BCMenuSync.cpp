// BCMenu's records matched again to the items of a popup (after the owner's command-update pass
// or plain Win32 calls changed them), and mnemonic lookup for WM_MENUCHAR.

#include <algorithm>

#include "widgets/BCMenu.h"

namespace {

BCMenuData* FirstUnmatched(std::vector<std::unique_ptr<BCMenuData>>& records, UINT_PTR commandId)
{
    for (auto& record : records)
        if (!record->syncFlag && record->commandId == commandId)
            return record.get();
    return nullptr;
}

std::wstring Lowered(std::wstring text)
{
    if (!text.empty())
        ::CharLowerBuffW(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

} // namespace

void BCMenu::SyncPopupMenu(CMenu* menu)
{
    if (auto* bcMenu = dynamic_cast<BCMenu*>(menu))
        bcMenu->SyncItems();
}

void BCMenu::SyncItems()
{
    if (!m_hMenu)
        return;
    for (auto& record : m_items)
        record->syncFlag = 0;
    std::vector<BCMenuData*> order;
    std::vector<std::unique_ptr<BCMenuData>> created;
    auto make = [&created](UINT flags, UINT_PTR commandId, const std::wstring& text) {
        created.push_back(std::make_unique<BCMenuData>());
        BCMenuData* record = created.back().get();
        record->menuFlags = flags;
        record->commandId = commandId;
        record->text = text;
        return record;
    };
    auto setData = [this](int position, UINT flags, UINT_PTR commandId, BCMenuData* record) {
        ::ModifyMenuW(m_hMenu, static_cast<UINT>(position), flags | MF_BYPOSITION, commandId,
                      reinterpret_cast<const wchar_t*>(record));
    };

    // Wine 8's ModifyMenu clears MFS_DEFAULT: the bold default item (the tray menu's, whose
    // click runs it) is set again once every item is modified.
    const UINT defaultPosition = ::GetMenuDefaultItem(m_hMenu, TRUE, GMDI_USEDISABLED);
    const int count = ::GetMenuItemCount(m_hMenu);
    for (int position = 0; position < count; ++position) {
        const UINT state = ::GetMenuState(m_hMenu, static_cast<UINT>(position), MF_BYPOSITION);
        std::wstring text;
        GetMenuString(static_cast<UINT>(position), text, MF_BYPOSITION);
        BCMenuData* record = nullptr;
        if (HMENU popup = ::GetSubMenu(m_hMenu, position)) {
            const auto handle = reinterpret_cast<UINT_PTR>(popup);
            record = FirstUnmatched(m_items, handle);
            if (record) {
                if (!text.empty())
                    record->text = text;
            } else {
                record = make(LOBYTE(state) | MF_BYPOSITION | MF_POPUP | MF_OWNERDRAW, handle, text);
                setData(position, record->menuFlags, handle, record);
            }
        } else if (state & MF_SEPARATOR) {
            record = FirstUnmatched(m_items, 0);
            if (!record)
                record = make(state | MF_SEPARATOR | MF_OWNERDRAW | MF_BYPOSITION, 0, std::wstring());
            setData(position, record->menuFlags, 0, record);
        } else {
            const UINT commandId = ::GetMenuItemID(m_hMenu, position);
            const UINT flags = state | MF_BYPOSITION | MF_OWNERDRAW;
            record = FirstUnmatched(m_items, commandId);
            if (record) {
                record->menuFlags = flags;
                if (!text.empty())
                    record->text = text;
            } else {
                record = make(flags, commandId, text);
            }
            setData(position, flags, commandId, record);
        }
        record->syncFlag = 1;
        order.push_back(record);
    }

    if (defaultPosition != static_cast<UINT>(-1))
        ::SetMenuDefaultItem(m_hMenu, defaultPosition, TRUE);

    // Records in position order; the unmatched ones go.
    std::vector<std::unique_ptr<BCMenuData>> pool = std::move(m_items);
    for (auto& record : created)
        pool.push_back(std::move(record));
    m_items.clear();
    for (BCMenuData* record : order) {
        auto it = std::find_if(pool.begin(), pool.end(), [record](auto& owned) { return owned.get() == record; });
        m_items.push_back(std::move(*it));
    }
}

LRESULT BCMenu::HandleMenuChar(UINT character, UINT flags, CMenu* menu)
{
    auto* bcMenu = dynamic_cast<BCMenu*>(menu);
    if (!bcMenu || !(flags & MF_POPUP) || !bcMenu->m_hMenu)
        return 0;
    if (bcMenu->GetMenuItemCount() != bcMenu->GetRecordCount())
        bcMenu->SyncItems();
    // The owner's windows are ANSI: a character below 256 is in the ANSI code page.
    wchar_t typed = static_cast<wchar_t>(character);
    if (character < 0x100) {
        const char byte = static_cast<char>(character);
        if (::MultiByteToWideChar(CP_ACP, 0, &byte, 1, &typed, 1) != 1)
            return 0;
    }
    const std::wstring key = Lowered(std::wstring(L"&") + typed);
    for (size_t position = 0; position < bcMenu->m_items.size(); ++position)
        if (Lowered(bcMenu->m_items[position]->text).find(key) != std::wstring::npos)
            return static_cast<LRESULT>(position | MNC_EXECUTE << 16);
    return 0;
}
