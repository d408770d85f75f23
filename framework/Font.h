#pragma once
// CFont: an owned font (framework/GdiObject.h).
//
// Face names longer than a LOGFONT holds (31 characters and the terminator) are cut, never
// copied past the field: faces come from markup and settings.

#include <windows.h>

#include "framework/GdiObject.h"

class CFont : public CGdiObject {
public:
    operator HFONT() const { return static_cast<HFONT>(m_hObject); }

    // CreateFont with every LOGFONT field; `face` may be null (the default face).
    bool CreateFont(int height, int width, int escapement, int orientation, int weight, BYTE italic, BYTE underline,
                    BYTE strikeOut, BYTE charSet, BYTE outPrecision, BYTE clipPrecision, BYTE quality,
                    BYTE pitchAndFamily, const char* face);
    bool CreateFontIndirect(const LOGFONTA* font);
    bool CreateFontIndirect(const LOGFONTW* font);
    // An owned copy of the stock DEFAULT_GUI_FONT, free to change and delete.
    bool CreateDefaultGuiFont();

    bool GetLogFont(LOGFONTA* font) const { return GetObject(sizeof(LOGFONTA), font) != 0; }
    bool GetLogFont(LOGFONTW* font) const;

    // The stock DEFAULT_GUI_FONT itself: shared, never deleted.
    static HFONT DefaultGuiFont() { return static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT)); }
};
