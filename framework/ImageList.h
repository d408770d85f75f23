#pragma once
// CImageList: owns one image list (ImageList_Destroy). Not copyable; user-interface thread.

#include <windows.h>
#include <commctrl.h>

#include "framework/Icon.h"

class CImageList {
public:
    CImageList() = default;
    ~CImageList() { DeleteImageList(); }
    CImageList(const CImageList&) = delete;
    CImageList& operator=(const CImageList&) = delete;

    HIMAGELIST m_hImageList = nullptr;

    HIMAGELIST GetSafeHandle() const { return m_hImageList; }
    operator HIMAGELIST() const { return m_hImageList; }

    // Images of width x height; `flags` the colour depth (ILC_COLOR16, ILC_COLOR24, ILC_COLORDDB
    // ...) with ILC_MASK for transparency; room for `initial` images, growing by `grow`. False
    // when a list is held already or it cannot be made.
    bool Create(int width, int height, UINT flags, int initial, int grow);
    // A 24-bit list with a mask, filled from bitmap resource `bitmapId` (loaded as a
    // device-independent section) cut into width x height images (height 0: the bitmap's own),
    // `maskColour` transparent. False, and no list kept, when the list cannot be made or the
    // bitmap loaded or added.
    bool CreateFromBitmap(UINT bitmapId, int width, int height, int initial, COLORREF maskColour,
                          HINSTANCE module = nullptr); // null: the resource module
    bool DeleteImageList();
    bool Attach(HIMAGELIST list);
    HIMAGELIST Detach();

    // Each returns the index of the (first) image added, -1 on failure.
    int Add(HBITMAP image, COLORREF maskColour); // pixels of maskColour become transparent
    int Add(HBITMAP image, HBITMAP mask);        // mask may be null
    int Add(HICON icon);
    // Replaces image `index` by the icon (-1 on failure, else the index).
    int Replace(int index, HICON icon);
    bool Remove(int index) { return ImageList_Remove(m_hImageList, index) != FALSE; }

    // A new icon made from image `index`; the caller's to keep (null handle on failure).
    CIcon ExtractIcon(int index, UINT style = ILD_NORMAL) const;

    bool Draw(HDC dc, int index, POINT at, UINT style) const
    {
        return ImageList_Draw(m_hImageList, index, dc, at.x, at.y, style) != FALSE;
    }
    bool DrawEx(HDC dc, int index, POINT at, SIZE size, COLORREF background, COLORREF foreground, UINT style) const
    {
        return ImageList_DrawEx(m_hImageList, index, dc, at.x, at.y, size.cx, size.cy, background, foreground, style) !=
               FALSE;
    }

    int GetImageCount() const { return m_hImageList ? ImageList_GetImageCount(m_hImageList) : 0; }
    bool GetImageInfo(int index, IMAGEINFO* info) const
    {
        return ImageList_GetImageInfo(m_hImageList, index, info) != FALSE;
    }
    bool GetIconSize(int* width, int* height) const
    {
        return ImageList_GetIconSize(m_hImageList, width, height) != FALSE;
    }
    COLORREF SetBkColor(COLORREF colour) { return ImageList_SetBkColor(m_hImageList, colour); }
};
