#pragma once
// CSystemTray: the program's icon in the taskbar's notification area. It adds and removes the
// icon, changes its picture, animates a list of pictures for a while, and turns the shell's mouse
// notifications into the tray menu (the first popup of menu resource <icon identifier>, a BCMenu)
// or the menu's default command sent to the main window (AfxGetMainWnd).
//
// A hidden window of its own receives the callback message (and owns the icon when Create is
// given no parent) and the animation's timer. The icon handles handed in stay the caller's and
// must outlive their use here. Time is read through AfxGetTickCount (framework/TickSource.h).
// User-interface thread.

#include <vector>

#include <windows.h>
#include <shellapi.h>

#include "framework/Wnd.h"

class BCMenu;
class CMenu;

class CSystemTray : public CWnd {
    DECLARE_DYNAMIC(CSystemTray)

public:
    // The draw request of a tray menu item, passed to OnTrayNotification as wParam with the
    // DRAWITEMSTRUCT as lParam by the owner, whose own menus do not hold the item.
    static const WPARAM kDrawRequest = 43;
    static const UINT_PTR kAnimationTimer = 4567;

    CSystemTray();
    ~CSystemTray() override; // removes the icon

    // Adds the icon, owned by the parent's window (this object's hidden one without a parent),
    // with the callback message, the tip (cut to 63 characters) and the picture. `iconId` is also
    // the tray menu's resource number. False, with the tray disabled, before Windows 4 or when the
    // shell refuses the icon.
    bool Create(CWnd* parent, UINT callbackMessage, const char* tip, HICON icon, UINT iconId);
    // Removes the icon from the notification area.
    void HideIcon();
    // Shows icon resource `resourceId` of the program. During an animation that picture is also
    // the one shown when the animation ends. False when not enabled or the shell refuses it.
    bool SetIconById(UINT resourceId);
    // The tray menu's default item, by position or by command. False when the menu or its first
    // popup cannot be loaded.
    bool SetMenuDefaultItem(UINT item, bool byPosition);
    // The pictures of an animation, each with its display time in milliseconds. False (the list
    // left empty, the user told) when there is no memory for them.
    bool SetIconList(const HICON* icons, int count, const DWORD* delays);
    // Runs the animation for `seconds` (0 or less: without end), starting over when one runs; the
    // list's first picture shows only after a full round. The picture shown before the first
    // start comes back at the end. False, and no animation (a running one ends), with an empty
    // list.
    bool Animate(int seconds);
    // The picture the icon shows now (null before Create).
    HICON GetIcon() const { return m_iconData.hIcon; }

    // The shell's notification (wParam the icon identifier, lParam the mouse message), or a draw
    // request (kDrawRequest). 0 for a draw request, another icon, or a tray menu that cannot be
    // loaded when it is needed; else 1.
    virtual LRESULT OnTrayNotification(WPARAM wParam, LPARAM lParam);

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

protected:
    bool OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

private:
    bool ShowPicture(HICON icon);
    void StopAnimation();
    void OnAnimationTick();
    // The first popup of the tray menu, loaded into `menu` (which owns it); null when missing.
    CMenu* LoadTrayPopup(BCMenu& menu) const;
    HWND CommandTarget() const;

    NOTIFYICONDATAA m_iconData; // the shell's record, used in its first layout (NOTIFYICONDATAA_V1_SIZE)
    bool m_enabled = false;     // the icon was added
    bool m_hidden = false;      // and removed again by HideIcon
    UINT m_defaultItem = 0;
    bool m_defaultByPosition = true;
    std::vector<HICON> m_icons; // the caller's handles
    std::vector<DWORD> m_delays;
    UINT_PTR m_timer = 0;
    std::size_t m_index = 0;
    DWORD m_startTick = 0;
    int m_durationSeconds = 0;
    HICON m_savedIcon = nullptr; // shown again when the animation ends; null = none
};
