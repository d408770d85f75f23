#pragma once
// Image lists for the list and tree controls, filled from one bitmap resource.

#include <windows.h>
#include <commctrl.h>

// Owns one image list (ImageList_Destroy).
class CImageListHandle {
public:
    CImageListHandle() = default;
    ~CImageListHandle() { Reset(); }
    CImageListHandle(const CImageListHandle&) = delete;
    CImageListHandle& operator=(const CImageListHandle&) = delete;

    HIMAGELIST Get() const { return m_list; }
    void Reset(HIMAGELIST list = nullptr);
    HIMAGELIST Detach();

private:
    HIMAGELIST m_list = nullptr;
};

// Creates the list (24-bit colour with a mask, no growth) and adds the bitmap resource, loaded
// as a device-independent section at its own size, with the mask colour. False when the list
// cannot be made or the bitmap not loaded or added; the list is then left empty.
bool LoadImageListFromBitmap(UINT bitmapId, int width, int height, int initialCount,
                             COLORREF maskColour, CImageListHandle& imageList);
