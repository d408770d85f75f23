#pragma once
// CStatic: a static text, icon or bitmap control. The pictures stay the caller's.

#include "framework/Wnd.h"

class CStatic : public CWnd {
public:
    bool Create(const char* text, DWORD style, const RECT& rect, HWND parent, UINT id = 0xFFFF)
    {
        return CreateEx(0, "STATIC", text, style | WS_CHILD, rect, parent, id);
    }
    HICON SetIcon(HICON icon)
    {
        return reinterpret_cast<HICON>(SendMessage(STM_SETICON, reinterpret_cast<WPARAM>(icon)));
    }
    HBITMAP SetBitmap(HBITMAP bitmap)
    {
        return reinterpret_cast<HBITMAP>(SendMessage(STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
    }
};
