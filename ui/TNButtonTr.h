#pragma once
// CTNButtonTr: a CTNButton whose window is cut to its normal picture: pixels of pure green
// (0x00FF00) are left out of the window region, so the parent's background shows there and
// clicks there reach the parent. It paints off-screen, clipped to the region. User-interface
// thread.

#include <windows.h>

#include "framework/Rect.h"
#include "framework/Rgn.h"
#include "ui/TNButton.h"

class CTNButtonTr : public CTNButton {
public:
    void Paint(HDC dc) override;

protected:
    void OnStateChanged(int oldState, int newState) override;
    bool OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

private:
    CRect WindowRectInParent() const;

    CRect m_current; // in the parent's client coordinates
    CRect m_previous;
    CRgn m_region; // cut from the normal picture; the window holds a copy
    bool m_regionPending = true;
};
