// BCMenu::LoadMenu: a MENU template read into owner-drawn popups under a bar of plain items.

#include <vector>

#include "framework/AppState.h"
#include "framework/DCGuards.h"
#include "framework/Font.h"
#include "framework/WindowDCs.h"
#include "widgets/BCMenu.h"
#include "widgets/MenuLook.h"

namespace {

const WORD kEndOfLevel = 0x80; // the last item of its level (MF_END)

// Reads 16-bit words and texts within the resource's bytes only.
class CTemplateCursor {
public:
    CTemplateCursor(const BYTE* data, DWORD size) : m_at(data), m_end(data + size) {}

    bool Skip(DWORD bytes)
    {
        if (static_cast<DWORD>(m_end - m_at) < bytes)
            return false;
        m_at += bytes;
        return true;
    }
    bool Word(WORD* value)
    {
        if (m_end - m_at < 2)
            return false;
        *value = static_cast<WORD>(m_at[0] | m_at[1] << 8);
        m_at += 2;
        return true;
    }
    // A zero-terminated UTF-16 text; false when it runs past the end.
    bool Text(std::wstring* text)
    {
        text->clear();
        for (WORD ch; Word(&ch);) {
            if (!ch)
                return true;
            text->push_back(static_cast<wchar_t>(ch));
        }
        return false;
    }

private:
    const BYTE* m_at;
    const BYTE* m_end;
};

} // namespace

BOOL BCMenu::LoadMenu(const char* name)
{
    DestroyMenu();
    HINSTANCE module = AfxGetResourceHandle();
    HRSRC found = ::FindResourceA(module, name, MAKEINTRESOURCEA(4));
    if (!found) {
        module = ::GetModuleHandleA(nullptr);
        found = ::FindResourceA(module, name, MAKEINTRESOURCEA(4));
    }
    HGLOBAL loaded = found ? ::LoadResource(module, found) : nullptr;
    const auto* data = static_cast<const BYTE*>(loaded ? ::LockResource(loaded) : nullptr);
    if (!data || !CreateMenu())
        return FALSE;

    CTemplateCursor cursor(data, ::SizeofResource(module, found));
    WORD version = 0, headerSize = 0;
    bool good = cursor.Word(&version) && cursor.Word(&headerSize) && version == 0 && cursor.Skip(headerSize);

    // The levels being filled, innermost last, and whether each ends once its open popup closes.
    std::vector<BCMenu*> levels{this};
    std::vector<bool> ending{false};
    while (good && !levels.empty()) {
        WORD flags = 0, id = 0;
        std::wstring text;
        good = cursor.Word(&flags) && ((flags & MF_POPUP) || cursor.Word(&id)) && cursor.Text(&text);
        if (!good)
            break;
        const bool last = (flags & kEndOfLevel) != 0;
        flags &= static_cast<WORD>(~kEndOfLevel);
        BCMenu* level = levels.back();
        if (flags & MF_POPUP) {
            std::unique_ptr<BCMenu> popup(NewPopupObject());
            good = popup->CreatePopupMenu() &&
                   level->AppendMenu(flags, reinterpret_cast<UINT_PTR>(popup->m_hMenu), text.c_str());
            if (!good)
                break;
            if (last)
                ending.back() = true;
            levels.push_back(popup.get());
            ending.push_back(false);
            level->m_ownedPopups.push_back(std::move(popup));
            continue;
        }
        good = level->AppendMenu(flags, id, text.c_str()) != FALSE;
        if (last)
            ending.back() = true;
        while (good && !levels.empty() && ending.back()) {
            levels.back()->AlignAccelerators();
            levels.pop_back();
            ending.pop_back();
        }
    }
    if (!good) {
        DestroyMenu();
        return FALSE;
    }

    // The bar's own items are drawn by the system (or the owner), not by this class.
    const int count = ::GetMenuItemCount(m_hMenu);
    for (int position = 0; position < count && position < static_cast<int>(m_items.size()); ++position) {
        BCMenuData& record = *m_items[position];
        HMENU popup = ::GetSubMenu(m_hMenu, position);
        const UINT state = ::GetMenuState(m_hMenu, position, MF_BYPOSITION) & (MF_GRAYED | MF_DISABLED | MF_CHECKED);
        if (record.menuFlags & MF_SEPARATOR)
            continue;
        ::ModifyMenuW(m_hMenu, position, MF_BYPOSITION | MF_STRING | state | (popup ? MF_POPUP : 0),
                      popup ? reinterpret_cast<UINT_PTR>(popup) : record.commandId, record.text.c_str());
        record.menuFlags = MF_BYPOSITION | (popup ? MF_POPUP : 0);
        // Still the item's data: an owner that draws the bar itself measures with it.
        MENUITEMINFOW data = {};
        data.cbSize = sizeof(data);
        data.fMask = MIIM_DATA;
        data.dwItemData = reinterpret_cast<ULONG_PTR>(&record);
        ::SetMenuItemInfoW(m_hMenu, position, TRUE, &data);
    }
    return TRUE;
}

// Pads the text before each tab so that the accelerator texts of this level start in one column
// when drawn left of their right-aligned part.
void BCMenu::AlignAccelerators()
{
    CClientDC dc(static_cast<HWND>(nullptr));
    CFont font;
    CreateMenuFont(font);
    CSelectGuard selected(dc, font);
    auto width = [&dc](const std::wstring& text) { return dc.GetTextExtentW(text.c_str(), (int)text.size()).cx; };
    LONG widest = 0;
    for (auto& record : m_items) {
        const std::wstring& text = record->text;
        const LONG w = width(text.substr(0, text.find(L'\t')) + L" ");
        if (w > widest)
            widest = w;
    }
    for (auto& record : m_items) {
        std::wstring& text = record->text;
        const size_t tab = text.find(L'\t');
        if (tab == std::wstring::npos)
            continue;
        std::wstring before = text.substr(0, tab);
        // A font whose space has no width cannot pad; the bound keeps that from looping.
        for (int added = 0; width(before) < widest && added < 256; ++added)
            before += L' ';
        text = before + text.substr(tab);
    }
}
