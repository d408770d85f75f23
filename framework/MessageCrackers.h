#pragma once
// Reading a message's parameters: points and sizes packed into lParam, and the records that
// WM_DRAWITEM, WM_MEASUREITEM and WM_GETMINMAXINFO point to (owned by the sender).

#include <windows.h>
#include <windowsx.h>

// Client (or screen, for WM_NC*) coordinates of mouse messages; signed, for multiple monitors.
inline POINT PointFromLParam(LPARAM lParam)
{
    POINT point = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    return point;
}

// The new client size of WM_SIZE.
inline SIZE SizeFromLParam(LPARAM lParam)
{
    SIZE size = {LOWORD(lParam), HIWORD(lParam)};
    return size;
}

inline DRAWITEMSTRUCT* DrawItemFromLParam(LPARAM lParam)
{
    return reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
}

inline MEASUREITEMSTRUCT* MeasureItemFromLParam(LPARAM lParam)
{
    return reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
}

inline MINMAXINFO* MinMaxInfoFromLParam(LPARAM lParam)
{
    return reinterpret_cast<MINMAXINFO*>(lParam);
}

inline NMHDR* NotifyFromLParam(LPARAM lParam)
{
    return reinterpret_cast<NMHDR*>(lParam);
}

inline WINDOWPOS* WindowPosFromLParam(LPARAM lParam)
{
    return reinterpret_cast<WINDOWPOS*>(lParam);
}
