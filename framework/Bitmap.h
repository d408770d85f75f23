#pragma once
// CBitmap: an owned bitmap (framework/GdiObject.h).

#include <windows.h>

#include "framework/GdiObject.h"
#include "framework/Size.h"

class CBitmap : public CGdiObject {
public:
    operator HBITMAP() const { return static_cast<HBITMAP>(m_hObject); }

    // Loads bitmap resource `id` of `module` (null: the resource module, AfxGetResourceHandle) as
    // a device-independent section, so its colours stay exact whatever the display's depth
    // (colour keys compare pixels). False when it is missing or a bitmap is held already.
    bool LoadBitmap(UINT id, HINSTANCE module = nullptr);
    // A bitmap in the format of `dc` (a screen or memory DC's), width x height.
    bool CreateCompatibleBitmap(HDC dc, int width, int height);

    bool GetBitmap(BITMAP* info) const { return GetObject(sizeof(BITMAP), info) != 0; }
    // Width and height; (0, 0) when there is no bitmap.
    CSize GetSize() const;
};
