// The main window's menus: the system menu's About item, the owner-drawn bar over BCMenu popups
// with their images, and the messages the owner of owner-drawn menus hands on.

#include "ui/TarnixDlg.h"

#include <windows.h>

#include "framework/Brush.h"
#include "framework/DC.h"
#include "framework/DCGuards.h"
#include "framework/Font.h"
#include "framework/MessageCrackers.h"
#include "framework/Rect.h"
#include "framework/WindowDCs.h"
#include "ui/res/ui_ids.h"
#include "widgets/MenuLook.h"

namespace {

const COLORREF kMenuBackColour = 0xF7F3F2;
const COLORREF kImageBackColour = 0x36360C;
const COLORREF kBarColour = 0xF7F5F2;
const COLORREF kMaskColour = RGB(255, 255, 255);
const int kBarItemNarrowing = 32;
const double kHoverBlend = 0.7;

// The menu image of each command (bitmap 228's pictures, by index).
struct SCommandImage {
    UINT command;
    int image;
};
const SCommandImage kCommandImages[] = {
    {ID_SEND_FILE, 0},     {ID_HIDE_WINDOW, 1},     {ID_EXIT, 2},           {ID_OPEN_FILE, 5},
    {ID_OPEN_FOLDER, 6},   {ID_CLEAN_COMPLETED, 7}, {IDC_PAUSE, 8},         {ID_CANCEL_TRANSFER, 9},
    {ID_FORWARD_FILE, 11}, {ID_RESEND_LINK, 12},    {ID_TELL_A_FRIEND, 13}, {ID_ADDRESS_BOOK, 14},
    {ID_OPTIONS, 15},      {ID_GET_LINK, 17},       {ID_TRAY_OPEN, 6},
};

ULONG_PTR ItemData(HMENU menu, int position)
{
    MENUITEMINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_DATA;
    return ::GetMenuItemInfoW(menu, static_cast<UINT>(position), TRUE, &info) ? info.dwItemData : 0;
}

// The bar item's rectangle in window coordinates; empty when there is none.
CRect BarItemRect(HWND window, HMENU bar, int position)
{
    CRect item;
    if (!::GetMenuItemRect(window, bar, static_cast<UINT>(position), item))
        return CRect();
    CRect frame;
    ::GetWindowRect(window, frame);
    item.OffsetRect(-frame.left, -frame.top);
    return item;
}

void DrawBarText(HDC dc, const BCMenuData* record, const RECT& item)
{
    if (!record)
        return;
    CFont font;
    CreateMenuFont(font);
    CSelectGuard selected(dc, font);
    const int oldMode = ::SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColour = ::SetTextColor(dc, ::GetSysColor(COLOR_MENUTEXT));
    RECT area = item;
    ::DrawTextW(dc, record->text.c_str(), static_cast<int>(record->text.size()), &area,
                DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    ::SetTextColor(dc, oldColour);
    ::SetBkMode(dc, oldMode);
}

} // namespace

void CTarnixDlg::InitMenus()
{
    CString about;
    about.LoadString(IDS_ABOUT_MENU);
    if (HMENU system = GetSystemMenu(FALSE); system && !about.IsEmpty()) {
        ::AppendMenuA(system, MF_SEPARATOR, 0, nullptr);
        ::AppendMenuA(system, MF_STRING, ID_ABOUT_BOX, about);
    }

    // SetMenu leaves the template's menu to its caller.
    HMENU templateMenu = GetMenu();
    m_menu.LoadMenu(IDM_MAIN);
    SetMenu(m_menu);
    if (templateMenu && templateMenu != m_menu.m_hMenu)
        ::DestroyMenu(templateMenu);

    m_menuImages.CreateFromBitmap(IDB_MENU_IMAGES, 16, 16, 1, kMaskColour);
    m_menuBitmap.LoadBitmap(IDB_MENU_IMAGES);
    m_menu.SetMenuBackColor(kMenuBackColour);
    m_menu.EnableMenuBackColor(TRUE);
    for (const SCommandImage& entry : kCommandImages)
        m_menu.ModifyOwnerDrawItem(static_cast<const char*>(nullptr), entry.command, &m_menuImages, entry.image);
    m_menu.SetImageBackColor(kImageBackColour);

    const int count = m_menu.GetMenuItemCount();
    for (int position = 0; position < count; ++position) {
        MENUITEMINFOW info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE;
        if (::GetMenuItemInfoW(m_menu, static_cast<UINT>(position), TRUE, &info)) {
            info.fType |= MFT_OWNERDRAW;
            ::SetMenuItemInfoW(m_menu, static_cast<UINT>(position), TRUE, &info);
        }
    }
    DrawMenuBar();
}

bool CTarnixDlg::OnMenuMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    switch (msg) {
    case WM_MEASUREITEM: {
        MEASUREITEMSTRUCT* measure = MeasureItemFromLParam(lParam);
        if (measure->CtlType != ODT_MENU)
            return false;
        const int count = m_menu.GetMenuItemCount();
        bool barItem = false;
        for (int position = 0; position < count && !barItem; ++position)
            barItem = measure->itemData && ItemData(m_menu, position) == measure->itemData;
        m_menu.MeasureItem(measure);
        if (barItem)
            measure->itemWidth = measure->itemWidth > kBarItemNarrowing ? measure->itemWidth - kBarItemNarrowing : 0;
        *result = TRUE;
        return true;
    }
    case WM_DRAWITEM: {
        DRAWITEMSTRUCT* draw = DrawItemFromLParam(lParam);
        if (draw->CtlType != ODT_MENU)
            return false;
        HMENU menu = reinterpret_cast<HMENU>(draw->hwndItem);
        if (menu == m_menu.m_hMenu)
            DrawBarItem(draw);
        else if (CMenu* object = CMenu::FromHandlePermanent(menu))
            object->DrawItem(draw);
        else
            m_tray.OnTrayNotification(CSystemTray::kDrawRequest, lParam); // a tray menu item
        *result = TRUE;
        return true;
    }
    case WM_MENUCHAR: {
        HMENU menu = reinterpret_cast<HMENU>(lParam);
        if (!BCMenu::IsRegisteredMenuHandle(menu))
            return false;
        *result = BCMenu::HandleMenuChar(LOWORD(wParam), HIWORD(wParam), CMenu::FromHandlePermanent(menu));
        return true;
    }
    case WM_INITMENUPOPUP: {
        // The update pass first: it may rename items, which the re-sync then takes.
        CDialogResize::OnWndMsg(msg, wParam, lParam, result);
        HMENU menu = reinterpret_cast<HMENU>(wParam);
        if (BCMenu::IsRegisteredMenuHandle(menu))
            BCMenu::SyncPopupMenu(CMenu::FromHandlePermanent(menu));
        *result = 0;
        return true;
    }
    case WM_NCMOUSEMOVE:
        DrawBarHover(wParam == HTMENU ? PointFromLParam(lParam) : POINT{-1, -1});
        return false;
    case WM_NCMOUSELEAVE:
        DrawBarHover(POINT{-1, -1});
        return false;
    default:
        return false;
    }
}

void CTarnixDlg::DrawBarItem(const DRAWITEMSTRUCT* draw)
{
    const int count = m_menu.GetMenuItemCount();
    CRect strip = BarItemRect(m_hWnd, m_menu, count - 1);
    CRect frame;
    GetWindowRect(frame);
    strip.left = strip.right;
    strip.right = frame.Width();
    strip.top = draw->rcItem.top;
    strip.bottom = draw->rcItem.bottom;
    CBrush bar;
    bar.CreateSolidBrush(kBarColour);
    if (strip.right > strip.left)
        ::FillRect(draw->hDC, strip, bar);
    ::FillRect(draw->hDC, &draw->rcItem, bar);
    if (draw->itemState & ODS_SELECTED)
        ::FrameRect(draw->hDC, &draw->rcItem, ::GetSysColorBrush(COLOR_BTNSHADOW));
    DrawBarText(draw->hDC, reinterpret_cast<const BCMenuData*>(draw->itemData), draw->rcItem);
}

void CTarnixDlg::DrawBarHover(POINT screen)
{
    const int item = screen.x < 0 ? -1 : ::MenuItemFromPoint(m_hWnd, m_menu, screen);
    if (item == m_hoverBarItem)
        return;
    // The plain bar first, so the item left keeps no frame.
    if (m_hoverBarItem >= 0)
        DrawMenuBar();
    m_hoverBarItem = item;
    if (item < 0)
        return;
    TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE | TME_NONCLIENT, m_hWnd, 0};
    ::TrackMouseEvent(&track);
    const CRect rect = BarItemRect(m_hWnd, m_menu, item);
    CWindowDC dc(m_hWnd);
    ::FrameRect(dc, rect, ::GetSysColorBrush(COLOR_HIGHLIGHT));
    CRect inside = rect;
    inside.DeflateRect(1, 1);
    CBrush fill;
    fill.CreateSolidBrush(BCMenu::BlendTowardWhite(::GetSysColor(COLOR_HIGHLIGHT), kHoverBlend));
    ::FillRect(dc, inside, fill);
    DrawBarText(dc, reinterpret_cast<const BCMenuData*>(ItemData(m_menu, item)), rect);
}
