#pragma once
// Window regions cut out of a bitmap (the shaped splash and balloon windows).

#include <windows.h>

// The region of every pixel whose colour is not `transparent`. Null for bitmaps of fewer than
// 16 bits per pixel or when the pixels cannot be read. The caller owns the region (DeleteObject,
// or SetWindowRgn which takes it over).
HRGN RegionFromBitmapMask(HBITMAP bitmap, COLORREF transparent);
