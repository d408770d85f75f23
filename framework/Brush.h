#pragma once
// CBrush: an owned brush (framework/GdiObject.h).

#include <windows.h>

#include "framework/GdiObject.h"

class CBrush : public CGdiObject {
public:
    CBrush() = default;
    // A solid brush of `colour` (GetSafeHandle() is null when it could not be made).
    explicit CBrush(COLORREF colour) { CreateSolidBrush(colour); }

    operator HBRUSH() const { return static_cast<HBRUSH>(m_hObject); }

    bool CreateSolidBrush(COLORREF colour);
    bool CreatePatternBrush(HBITMAP pattern);
};
