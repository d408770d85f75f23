#pragma once
// CPen: an owned pen (framework/GdiObject.h).

#include <windows.h>

#include "framework/GdiObject.h"

class CPen : public CGdiObject {
public:
    CPen() = default;
    // CreatePen (GetSafeHandle() is null when it could not be made).
    CPen(int style, int width, COLORREF colour) { CreatePen(style, width, colour); }

    operator HPEN() const { return static_cast<HPEN>(m_hObject); }

    bool CreatePen(int style, int width, COLORREF colour);
};
