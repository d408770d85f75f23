#pragma once
// CProgressDrawer: paints a progress bar into any rectangle of a device context, from three
// images of one bitmap (start cap, middle, end cap) stretched over the done part, with the
// percentage centred over it. Not a window. User-interface thread.

#include <windows.h>

#include "framework/ImageList.h"
#include "framework/Pen.h"

class CProgressDrawer {
public:
    CProgressDrawer() = default;
    virtual ~CProgressDrawer() = default;
    CProgressDrawer(const CProgressDrawer&) = delete;
    CProgressDrawer& operator=(const CProgressDrawer&) = delete;

    // The three images of imageWidth x imageHeight side by side in `bitmap` (the caller's; it
    // is copied), the colour behind the bar and its frame's. Replaces what an earlier call made;
    // false when the images could not be taken.
    bool Init(int imageWidth, int imageHeight, HBITMAP bitmap, COLORREF background, COLORREF border);
    // The text's font (the caller's; null: the one selected into the target), whether it shows, its DrawText format.
    void SetText(HFONT font, bool showText, UINT format);
    // False, and the position kept, above maximum - minimum.
    bool SetPos(int position);
    int GetPos() const { return m_position; }

    // Renders the bar into `rect` of `dc`, off-screen first.
    virtual void Draw(HDC dc, const RECT& rect);

private:
    int m_minimum = 0;
    int m_maximum = 100;
    int m_position = 0;
    CImageList m_images;
    COLORREF m_background = RGB(255, 255, 255);
    CPen m_border;
    bool m_showText = true;
    UINT m_format = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
    HFONT m_font = nullptr; // not owned
};
