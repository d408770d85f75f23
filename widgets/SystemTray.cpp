#include "widgets/SystemTray.h"

#include <cstring>
#include <new>

#include "framework/AppState.h"
#include "framework/Icon.h"
#include "framework/TickSource.h"
#include "framework/WndClass.h"
#include "widgets/BCMenu.h"

IMPLEMENT_DYNAMIC(CSystemTray, CWnd)

namespace {

// The tip field of the record's first layout holds 64 characters with the terminator.
const std::size_t kTipLength = 63;
// The tray menu opens at the cursor, to its left, and follows the right button.
const UINT kTrayMenuFlags = TPM_RIGHTALIGN | TPM_RIGHTBUTTON;

bool ShellHasTray()
{
    OSVERSIONINFOA version;
    std::memset(&version, 0, sizeof version);
    version.dwOSVersionInfoSize = sizeof version;
    return ::GetVersionExA(&version) && version.dwMajorVersion >= 4;
}

} // namespace

CSystemTray::CSystemTray()
{
    std::memset(&m_iconData, 0, sizeof m_iconData);
}

CSystemTray::~CSystemTray()
{
    if (m_enabled) {
        m_iconData.uFlags = 0;
        ::Shell_NotifyIconA(NIM_DELETE, &m_iconData);
        m_enabled = false;
    }
}

bool CSystemTray::Create(CWnd* parent, UINT callbackMessage, const char* tip, HICON icon, UINT iconId)
{
    if (!ShellHasTray())
        return false;
    if (!m_hWnd && !CreateEx(0, AfxRegisterWndClass(0), "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr))
        return false;

    std::memset(&m_iconData, 0, sizeof m_iconData);
    // The first layout: what every shell reads (not sizeof, which is the longest layout).
    m_iconData.cbSize = NOTIFYICONDATAA_V1_SIZE;
    m_iconData.hWnd = parent && parent->GetSafeHwnd() ? parent->GetSafeHwnd() : m_hWnd;
    m_iconData.uID = iconId;
    m_iconData.hIcon = icon;
    m_iconData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    m_iconData.uCallbackMessage = callbackMessage;
    if (tip)
        std::strncpy(m_iconData.szTip, tip, kTipLength);
    m_iconData.szTip[kTipLength] = '\0';
    m_enabled = ::Shell_NotifyIconA(NIM_ADD, &m_iconData) != FALSE;
    m_hidden = false;
    return m_enabled;
}

void CSystemTray::HideIcon()
{
    if (!m_enabled || m_hidden)
        return;
    m_iconData.uFlags = 0;
    ::Shell_NotifyIconA(NIM_DELETE, &m_iconData);
    m_hidden = true;
}

bool CSystemTray::ShowPicture(HICON icon)
{
    if (!m_enabled)
        return false;
    m_iconData.uFlags = NIF_ICON;
    m_iconData.hIcon = icon;
    return ::Shell_NotifyIconA(NIM_MODIFY, &m_iconData) != FALSE;
}

bool CSystemTray::SetIconById(UINT resourceId)
{
    if (!m_enabled)
        return false;
    // Shared by the system: never destroyed, so it can be shown again at an animation's end.
    const HICON icon = CSharedIcon::Load(resourceId, AfxGetInstanceHandle());
    // An animation would paint over it and then restore what was there before it started.
    if (m_timer)
        m_savedIcon = icon;
    return ShowPicture(icon);
}

bool CSystemTray::SetMenuDefaultItem(UINT item, bool byPosition)
{
    if (item == m_defaultItem && byPosition == m_defaultByPosition)
        return true;
    m_defaultItem = item;
    m_defaultByPosition = byPosition;
    BCMenu menu;
    CMenu* popup = LoadTrayPopup(menu);
    if (!popup)
        return false;
    popup->SetDefaultItem(item, byPosition);
    return true;
}

bool CSystemTray::SetIconList(const HICON* icons, int count, const DWORD* delays)
{
    m_icons.clear();
    m_delays.clear();
    if (count <= 0 || !icons || !delays)
        return true;
    try {
        m_icons.assign(icons, icons + count);
        m_delays.assign(delays, delays + count);
    } catch (const std::bad_alloc&) {
        m_icons.clear();
        m_delays.clear();
        AfxShowMemoryError();
        return false;
    }
    return true;
}

bool CSystemTray::Animate(int seconds)
{
    const bool running = m_timer != 0;
    if (m_icons.empty()) {
        // Nothing to show: a running animation ends as it would have.
        StopAnimation();
        return false;
    }
    if (running)
        KillTimer(kAnimationTimer);
    m_timer = 0;
    m_index = 0;
    m_startTick = AfxGetTickCount();
    m_durationSeconds = seconds;
    // A restart keeps the picture from before the first start, not the frame shown now.
    if (!running)
        m_savedIcon = m_enabled ? m_iconData.hIcon : nullptr;
    m_timer = SetTimer(kAnimationTimer, m_delays[0]);
    return m_timer != 0;
}

void CSystemTray::StopAnimation()
{
    if (!m_timer)
        return;
    KillTimer(kAnimationTimer);
    m_timer = 0;
    if (m_savedIcon) {
        ShowPicture(m_savedIcon);
        m_savedIcon = nullptr;
    }
}

void CSystemTray::OnAnimationTick()
{
    if (!m_timer)
        return; // a tick queued before the timer was killed
    const DWORD elapsedMs = AfxGetTickCount() - m_startTick;
    if (m_icons.empty() || (m_durationSeconds > 0 && elapsedMs > static_cast<DWORD>(m_durationSeconds) * 1000u)) {
        StopAnimation();
        return;
    }
    // The current picture stays for its own delay; the next one follows.
    if (m_index >= m_icons.size())
        m_index = 0;
    KillTimer(kAnimationTimer);
    m_timer = SetTimer(kAnimationTimer, m_delays[m_index]);
    m_index = (m_index + 1) % m_icons.size();
    ShowPicture(m_icons[m_index]);
}

CMenu* CSystemTray::LoadTrayPopup(BCMenu& menu) const
{
    return menu.LoadMenu(m_iconData.uID) ? menu.GetSubMenu(0) : nullptr;
}

HWND CSystemTray::CommandTarget() const
{
    CWnd* main = AfxGetMainWnd();
    return main && main->GetSafeHwnd() ? main->GetSafeHwnd() : m_hWnd;
}

LRESULT CSystemTray::OnTrayNotification(WPARAM wParam, LPARAM lParam)
{
    if (wParam == kDrawRequest) {
        // The record and its item data are all the drawing needs; the menu only lends its class.
        BCMenu menu;
        if (CMenu* popup = LoadTrayPopup(menu))
            popup->DrawItem(reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
        return 0;
    }
    if (wParam != m_iconData.uID)
        return 0;

    const HWND target = CommandTarget();
    switch (static_cast<UINT>(lParam)) {
    case WM_RBUTTONUP: {
        BCMenu menu;
        CMenu* popup = LoadTrayPopup(menu);
        if (!popup)
            return 0;
        popup->SetDefaultItem(m_defaultItem, m_defaultByPosition);
        POINT cursor = {};
        ::GetCursorPos(&cursor);
        // Without the foreground the menu would not close when the user clicks elsewhere, and
        // without the posted message it would not close on the second click either.
        ::SetForegroundWindow(target);
        popup->TrackPopupMenu(kTrayMenuFlags, cursor.x, cursor.y, target);
        ::PostMessageA(target, WM_NULL, 0, 0);
        return 1;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        ::SetForegroundWindow(target);
        UINT command = m_defaultItem;
        if (m_defaultByPosition) {
            BCMenu menu;
            CMenu* popup = LoadTrayPopup(menu);
            if (!popup)
                return 0;
            command = popup->GetMenuItemID(static_cast<int>(m_defaultItem));
        }
        ::SendMessageA(target, WM_COMMAND, command, 0);
        return 1;
    }
    default:
        return 1;
    }
}

LRESULT CSystemTray::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (m_enabled && msg == m_iconData.uCallbackMessage)
        return OnTrayNotification(wParam, lParam);
    return CWnd::WindowProc(msg, wParam, lParam);
}

bool CSystemTray::OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    if (msg == WM_TIMER && wParam == kAnimationTimer) {
        OnAnimationTick();
        *result = 0;
        return true;
    }
    return CWnd::OnWndMsg(msg, wParam, lParam, result);
}
