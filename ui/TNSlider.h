#pragma once
// CTNSlider: a vertical slider with three positions, drawn from a track and a thumb bitmap
// (pure green transparent). Every SetPos reports to the parent as WM_VSCROLL with
// SB_THUMBPOSITION and the position in the high word, so the parent handles it like a scroll
// bar. The arrow keys move it and are always consumed while it has the focus, in modal loops too
// (the pump offers a message to its target's object before its parents'). User-interface thread.

#include <windows.h>

#include "framework/Bitmap.h"
#include "framework/ImageList.h"
#include "framework/Wnd.h"
#include "ui/portable/SliderHitTest.h"

class CTNSlider : public CWnd {
public:
    static constexpr UINT kControlId = 156;

    // A child of `parent` at the rectangle's top-left corner, the size of the track bitmap.
    // False when the art is missing or the window could not be made.
    bool Create(DWORD style, const RECT& rect, CWnd* parent);

    int GetPos() const { return m_position; }
    // Takes 0, 1 or 2; any other value keeps the position. Either way the parent is told the
    // position, and the slider repaints.
    void SetPos(int position);

    // Draws the slider into `dc` at (0, 0); the first call copies what the screen shows under
    // the slider as its background.
    void Paint(HDC dc);

    BOOL PreTranslateMessage(MSG* msg) override;

protected:
    bool OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

private:
    SSliderHit HitTest(POINT point) const;

    int m_position = 0;
    CBitmap m_background; // the screen under the slider, from the first paint
    CImageList m_track;
    CImageList m_thumb;
    SIZE m_trackSize = {};
    SIZE m_thumbSize = {};
};
