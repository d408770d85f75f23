#pragma once
// CTrayIconPosition: where on the screen a notification icon is drawn, so that a balloon can
// point at it. The shell does not say, so the icon's picture is briefly changed to the probe
// (icon 195, a near-black block) and the notification area is searched for that block. A found
// point is cached for a while; a failed search gives an estimate (the area's middle) and is tried
// again on the next call. The probe stays in the area until the owner sets a picture again.
//
// Time is read through AfxGetTickCount (framework/TickSource.h). User-interface thread.

#include <windows.h>

#include "framework/Point.h"
#include "framework/Rect.h"

class CTrayIconPosition {
public:
    // Refresh levels of GetTrayIconPosition: how old a cached point may grow.
    enum {
        DefaultPrecision = 0,
        Low = 1,
        Medium = 2,
        High = 3
    };
    // The taskbar window ("Shell_TrayWnd"); tests put a window of their own in its place.
    using TrayWindowFinder = HWND (*)();

    CTrayIconPosition();
    virtual ~CTrayIconPosition() = default;
    CTrayIconPosition(const CTrayIconPosition&) = delete;
    CTrayIconPosition& operator=(const CTrayIconPosition&) = delete;

    // The icon to track: its owner window and identifier (as given to Shell_NotifyIcon).
    void SetTrackedIcon(HWND window, int iconId);

    // -1 when no icon is tracked (point untouched); 1 with the icon's point when the cached one is
    // fresh enough for `precision` (Low 60 s, Medium 30 s, High 10 s; DefaultPrecision: High) or
    // a search found it; 0 with an estimated point when the search failed.
    int GetTrayIconPosition(POINT* point, int precision = DefaultPrecision);

    void SetTrayWindowFinder(TrayWindowFinder finder) { m_findTrayWindow = finder; }

private:
    bool IsCacheFresh(int precision) const;
    // The area to search, and the taskbar window when there is one.
    CRect FindTrayArea(HWND* tray) const;
    void ShowProbe(HWND tray) const;
    bool SearchScreen(bool waitForTray, POINT* found) const;

    CRect m_trayRect;         // the last area searched, screen coordinates
    DWORD m_lastUpdate = 0;   // tick of the last successful search
    bool m_haveFound = false; // a search has succeeded: m_cachedPoint and m_lastUpdate hold
    CPoint m_cachedPoint;
    int m_iconId = -1;
    HWND m_trackedWindow = nullptr; // not owned
    int m_precision = High;
    int m_refreshSeconds[3] = {60, 30, 10}; // for Low, Medium, High
    OSVERSIONINFOA m_version;
    TrayWindowFinder m_findTrayWindow;
};
