#pragma once
// CEdit: an edit control. Text and font through CWnd (SetWindowText, SetFont).

#include <windows.h>
#include <commctrl.h>

#include "framework/Wnd.h"

class CEdit : public CWnd {
public:
    bool Create(DWORD style, const RECT& rect, HWND parent, UINT id)
    {
        return CreateEx(0, "EDIT", "", style | WS_CHILD, rect, parent, id);
    }
    void SetSel(int start, int end, BOOL noScroll = FALSE)
    {
        SendMessage(EM_SETSEL, static_cast<WPARAM>(start), end);
        if (!noScroll)
            SendMessage(EM_SCROLLCARET);
    }
    void GetSel(int& start, int& end) const
    {
        DWORD first = 0, last = 0;
        SendMessage(EM_GETSEL, reinterpret_cast<WPARAM>(&first), reinterpret_cast<LPARAM>(&last));
        start = static_cast<int>(first);
        end = static_cast<int>(last);
    }
    void ReplaceSel(const char* text, BOOL canUndo = FALSE)
    {
        SendMessage(EM_REPLACESEL, canUndo, reinterpret_cast<LPARAM>(text ? text : ""));
    }
    void SetLimitText(UINT maxCharacters) { SendMessage(EM_SETLIMITTEXT, maxCharacters); }
    BOOL SetReadOnly(BOOL readOnly = TRUE) { return SendMessage(EM_SETREADONLY, readOnly) != 0; }
};
