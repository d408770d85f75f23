#pragma once
// CProgressCtrl: a progress bar with a 32-bit range (downloads count bytes).

#include <windows.h>
#include <commctrl.h>

#include "framework/Wnd.h"

class CProgressCtrl : public CWnd {
public:
    bool Create(DWORD style, const RECT& rect, HWND parent, UINT id)
    {
        return CreateEx(0, PROGRESS_CLASSA, "", style | WS_CHILD, rect, parent, id);
    }
    void SetRange32(int lower, int upper) { SendMessage(PBM_SETRANGE32, lower, upper); }
    void GetRange(int& lower, int& upper) const
    {
        PBRANGE range = {};
        SendMessage(PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
        lower = range.iLow;
        upper = range.iHigh;
    }
    int SetPos(int position) { return static_cast<int>(SendMessage(PBM_SETPOS, position)); }
    int GetPos() const { return static_cast<int>(SendMessage(PBM_GETPOS)); }
    int SetStep(int step) { return static_cast<int>(SendMessage(PBM_SETSTEP, step)); }
    int StepIt() { return static_cast<int>(SendMessage(PBM_STEPIT)); }
};
