#pragma once
// CButton: a push button, check box or radio button.

#include "framework/Wnd.h"

class CButton : public CWnd {
public:
    bool Create(const char* caption, DWORD style, const RECT& rect, HWND parent, UINT id)
    {
        return CreateEx(0, "BUTTON", caption, style | WS_CHILD, rect, parent, id);
    }
    int GetCheck() const { return static_cast<int>(SendMessage(BM_GETCHECK)); }
    void SetCheck(int check) { SendMessage(BM_SETCHECK, static_cast<WPARAM>(check)); }
    UINT GetButtonStyle() const { return GetStyle() & 0xFFFF; }
    void SetButtonStyle(UINT style, BOOL redraw = TRUE) { SendMessage(BM_SETSTYLE, style, redraw); }
};
