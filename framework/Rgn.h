#pragma once
// CRgn: an owned region (framework/GdiObject.h).
//
// SetWindowRgn takes the region over: after a successful call, Detach the handle so that this
// object does not delete what the window now owns.

#include <windows.h>

#include "framework/GdiObject.h"

class CRgn : public CGdiObject {
public:
    operator HRGN() const { return static_cast<HRGN>(m_hObject); }

    bool CreateRectRgn(int left, int top, int right, int bottom);
    bool CreateRectRgnIndirect(const RECT* rect);
    // Corner ellipse of width x height.
    bool CreateRoundRectRgn(int left, int top, int right, int bottom, int width, int height);
    bool CreatePolygonRgn(const POINT* points, int count, int fillMode);

    // Sets this region (which must exist; an empty CreateRectRgn(0, 0, 0, 0) will do) to
    // `a` combined with `b` (b unused for RGN_COPY). Returns the region type, ERROR on failure.
    int CombineRgn(HRGN a, HRGN b, int mode);
    // Makes this region a copy of `source`.
    int CopyRgn(HRGN source) { return CombineRgn(source, nullptr, RGN_COPY); }
    int OffsetRgn(int dx, int dy);
    int OffsetRgn(const POINT& offset) { return OffsetRgn(offset.x, offset.y); }

    bool PtInRegion(int x, int y) const;
    int GetRgnBox(RECT* box) const;
};
