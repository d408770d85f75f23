#pragma once
// The colour names markup may use, and colour values as markup and style sheets write them.

#include <functional>
#include <string>

#include "htmltip/portable/HtmlTypes.h"

namespace htmltip {

// Indices of the system colours the table names, as Windows numbers them (COLOR_...).
enum SystemColorIndex {
    kSysScrollBar = 0,
    kSysBackground = 1,
    kSysActiveCaption = 2,
    kSysInactiveCaption = 3,
    kSysMenu = 4,
    kSysWindow = 5,
    kSysWindowFrame = 6,
    kSysMenuText = 7,
    kSysWindowText = 8,
    kSysCaptionText = 9,
    kSysActiveBorder = 10,
    kSysInactiveBorder = 11,
    kSysAppWorkspace = 12,
    kSysHighlight = 13,
    kSysHighlightText = 14,
    kSysBtnFace = 15,
    kSysBtnShadow = 16,
    kSysGrayText = 17,
    kSysBtnText = 18,
    kSysInactiveCaptionText = 19,
    kSysBtnHighlight = 20,
    kSys3dDkShadow = 21,
    kSys3dLight = 22,
    kSysInfoText = 23,
    kSysInfoBk = 24,
};

// The system's colour of an index, asked once when the table is built.
using SystemColorSource = std::function<Color(int index)>;

// Colour names to values: the CSS/X11 names and the system colours. Names are exact-case.
class CColorTable {
public:
    explicit CColorTable(const SystemColorSource& systemColor);

    bool Lookup(const std::string& name, Color* colour) const;
    std::size_t Size() const;

private:
    Color m_system[kSysInfoBk + 1] = {};
};

// How colour values are read: through the table while enabled; while disabled every colour that
// is named at all becomes the disabled colour.
struct ColorContext {
    const CColorTable* table = nullptr;
    bool enabled = true;
    Color disabledColor = 0;
};

// Empty gives `current`; "#RRGGBB" (exactly six hexadecimal digits); a leading digit reads an
// integer used as the colour itself (kept to 24 bits, so no value ever means a palette entry);
// anything else is a name, `current` when unknown.
Color ParseColor(const std::string& value, Color current, const ColorContext& context);

} // namespace htmltip
