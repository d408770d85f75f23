#pragma once
// CHeaderCtrlSelfDraw: the address-book list's flat header: each item a framed box in one
// background colour with its text 4 pixels in. The list subclasses its own header with it.
// User-interface thread.

#include <windows.h>

#include "framework/HeaderCtrl.h"

class CHeaderCtrlSelfDraw : public CHeaderCtrl {
public:
    // COLOR_BTNFACE until set.
    void SetBackgroundColor(COLORREF colour);

    // Paints the header into `dc` over its client rectangle.
    void Paint(HDC dc);

protected:
    bool OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

private:
    COLORREF m_background = 0;
    bool m_backgroundSet = false;
};
