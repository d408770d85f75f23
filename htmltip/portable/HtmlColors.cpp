#include "htmltip/portable/HtmlColors.h"

#include <map>

#include "htmltip/portable/HtmlSizes.h"

namespace htmltip {

namespace {

struct NamedColor {
    const char* name;
    unsigned rgb; // 0xRRGGBB as written in CSS
};

// The short names, then the extended ones; "gray" with an a, "lightgrey" with an e, as the
// markup our balloons were written against spells them.
const NamedColor kNamedColors[] = {
    {"aqua", 0x00FFFF},
    {"black", 0x000000},
    {"blue", 0x0000FF},
    {"brown", 0xA52A2A},
    {"cyan", 0x00FFFF},
    {"gold", 0xFFD700},
    {"gray", 0x808080},
    {"green", 0x008000},
    {"magenta", 0xFF00FF},
    {"maroon", 0x800000},
    {"navy", 0x000080},
    {"olive", 0x808000},
    {"orange", 0xFFA500},
    {"pink", 0xFFC0CB},
    {"purple", 0x800080},
    {"red", 0xFF0000},
    {"silver", 0xC0C0C0},
    {"snow", 0xFFFAFA},
    {"violet", 0xEE82EE},
    {"white", 0xFFFFFF},
    {"yellow", 0xFFFF00},
    {"aliceblue", 0xF0F8FF},
    {"antiquewhite", 0xFAEBD7},
    {"aquamarine", 0x7FFFD4},
    {"azure", 0xF0FFFF},
    {"beige", 0xF5F5DC},
    {"bisque", 0xFFE4C4},
    {"blanchedalmond", 0xFFEBCD},
    {"blueviolet", 0x8A2BE2},
    {"burlywood", 0xDEB887},
    {"cadetblue", 0x5F9EA0},
    {"chartreuse", 0x7FFF00},
    {"chocolate", 0xD2691E},
    {"coral", 0xFF7F50},
    {"cornflowerblue", 0x6495ED},
    {"cornsilk", 0xFFF8DC},
    {"crimson", 0xDC143C},
    {"darkblue", 0x00008B},
    {"darkcyan", 0x008B8B},
    {"darkgoldenrod", 0xB8860B},
    {"darkgray", 0xA9A9A9},
    {"darkgreen", 0x006400},
    {"darkkhaki", 0xBDB76B},
    {"darkmagenta", 0x8B008B},
    {"darkolivegreen", 0x556B2F},
    {"darkorange", 0xFF8C00},
    {"darkorchid", 0x9932CC},
    {"darkred", 0x8B0000},
    {"darksalmon", 0xE9967A},
    {"darkseagreen", 0x8FBC8F},
    {"darkslateblue", 0x483D8B},
    {"darkslategray", 0x2F4F4F},
    {"darkturquoise", 0x00CED1},
    {"darkviolet", 0x9400D3},
    {"deeppink", 0xFF1493},
    {"deepskyblue", 0x00BFFF},
    {"dimgray", 0x696969},
    {"dodgerblue", 0x1E90FF},
    {"firebrick", 0xB22222},
    {"floralwhite", 0xFFFAF0},
    {"forestgreen", 0x228B22},
    {"fuchsia", 0xFF00FF},
    {"gainsboro", 0xDCDCDC},
    {"ghostwhite", 0xF8F8FF},
    {"goldenrod", 0xDAA520},
    {"greenyellow", 0xADFF2F},
    {"honeydew", 0xF0FFF0},
    {"hotpink", 0xFF69B4},
    {"indianred", 0xCD5C5C},
    {"indigo", 0x4B0082},
    {"ivory", 0xFFFFF0},
    {"khaki", 0xF0E68C},
    {"lavender", 0xE6E6FA},
    {"lavenderblush", 0xFFF0F5},
    {"lawngreen", 0x7CFC00},
    {"lemonchiffon", 0xFFFACD},
    {"lightblue", 0xADD8E6},
    {"lightcoral", 0xF08080},
    {"lightcyan", 0xE0FFFF},
    {"lightgoldenrodyellow", 0xFAFAD2},
    {"lightgreen", 0x90EE90},
    {"lightgrey", 0xD3D3D3},
    {"lightpink", 0xFFB6C1},
    {"lightsalmon", 0xFFA07A},
    {"lightseagreen", 0x20B2AA},
    {"lightskyblue", 0x87CEFA},
    {"lightslategray", 0x778899},
    {"lightsteelblue", 0xB0C4DE},
    {"lightyellow", 0xFFFFE0},
    {"lime", 0x00FF00},
    {"limegreen", 0x32CD32},
    {"linen", 0xFAF0E6},
    {"mediumaquamarine", 0x66CDAA},
    {"mediumblue", 0x0000CD},
    {"mediumorchid", 0xBA55D3},
    {"mediumpurple", 0x9370DB},
    {"mediumseagreen", 0x3CB371},
    {"mediumslateblue", 0x7B68EE},
    {"mediumspringgreen", 0x00FA9A},
    {"mediumturquoise", 0x48D1CC},
    {"mediumvioletred", 0xC71585},
    {"midnightblue", 0x191970},
    {"mintcream", 0xF5FFFA},
    {"mistyrose", 0xFFE4E1},
    {"moccasin", 0xFFE4B5},
    {"navajowhite", 0xFFDEAD},
    {"oldlace", 0xFDF5E6},
    {"olivedrab", 0x6B8E23},
    {"orangered", 0xFF4500},
    {"orchid", 0xDA70D6},
    {"palegoldenrod", 0xEEE8AA},
    {"palegreen", 0x98FB98},
    {"paleturquoise", 0xAFEEEE},
    {"palevioletred", 0xDB7093},
    {"papayawhip", 0xFFEFD5},
    {"peachpuff", 0xFFDAB9},
    {"peru", 0xCD853F},
    {"plum", 0xDDA0DD},
    {"powderblue", 0xB0E0E6},
    {"rosybrown", 0xBC8F8F},
    {"royalblue", 0x4169E1},
    {"saddlebrown", 0x8B4513},
    {"salmon", 0xFA8072},
    {"sandybrown", 0xF4A460},
    {"seagreen", 0x2E8B57},
    {"seashell", 0xFFF5EE},
    {"sienna", 0xA0522D},
    {"skyblue", 0x87CEEB},
    {"slateblue", 0x6A5ACD},
    {"slategray", 0x708090},
    {"springgreen", 0x00FF7F},
    {"steelblue", 0x4682B4},
    {"tan", 0xD2B48C},
    {"teal", 0x008080},
    {"thistle", 0xD8BFD8},
    {"tomato", 0xFF6347},
    {"turquoise", 0x40E0D0},
    {"wheat", 0xF5DEB3},
    {"whitesmoke", 0xF5F5F5},
    {"yellowgreen", 0x9ACD32},
};

struct SystemColorName {
    const char* name;
    int index;
};

const SystemColorName kSystemColorNames[] = {
    {"activeborder", kSysActiveBorder},
    {"activecaption", kSysActiveCaption},
    {"appworkspace", kSysAppWorkspace},
    {"background", kSysBackground},
    {"buttonface", kSysBtnFace},
    {"buttonhighlight", kSysBtnHighlight},
    {"buttonshadow", kSysBtnShadow},
    {"buttontext", kSysBtnText},
    {"captiontext", kSysCaptionText},
    {"graytext", kSysGrayText},
    {"highlight", kSysHighlight},
    {"highlighttext", kSysHighlightText},
    {"inactiveborder", kSysInactiveBorder},
    {"inactivecaption", kSysInactiveCaption},
    {"inactivecaptiontext", kSysInactiveCaptionText},
    {"infobackground", kSysInfoBk},
    {"infotext", kSysInfoText},
    {"menu", kSysMenu},
    {"menutext", kSysMenuText},
    {"scrollbar", kSysScrollBar},
    {"threeddarkshadow", kSys3dDkShadow},
    {"threedface", kSysBtnFace},
    {"threedhighlight", kSysBtnHighlight},
    {"threedlightshadow", kSys3dLight},
    {"threedshadow", kSysBtnShadow},
    {"window", kSysWindow},
    {"windowframe", kSysWindowFrame},
    {"windowtext", kSysWindowText},
};

// The named colours are the same for every table; the system ones are each table's own.
const std::map<std::string, Color>& NamedColors()
{
    static const std::map<std::string, Color> colors = [] {
        std::map<std::string, Color> named;
        for (const NamedColor& color : kNamedColors)
            named[color.name] = MakeColor(color.rgb >> 16, color.rgb >> 8, color.rgb);
        return named;
    }();
    return colors;
}

const std::map<std::string, int>& SystemColorIndices()
{
    static const std::map<std::string, int> indices = [] {
        std::map<std::string, int> system;
        for (const SystemColorName& name : kSystemColorNames)
            system[name.name] = name.index;
        return system;
    }();
    return indices;
}

} // namespace

CColorTable::CColorTable(const SystemColorSource& systemColor)
{
    for (int index = 0; index <= kSysInfoBk; ++index)
        m_system[index] = systemColor ? systemColor(index) & 0xFFFFFF : 0;
}

std::size_t CColorTable::Size() const
{
    return NamedColors().size() + SystemColorIndices().size();
}

bool CColorTable::Lookup(const std::string& name, Color* colour) const
{
    const auto named = NamedColors().find(name);
    if (named != NamedColors().end()) {
        *colour = named->second;
        return true;
    }
    const auto system = SystemColorIndices().find(name);
    if (system == SystemColorIndices().end())
        return false;
    *colour = m_system[system->second];
    return true;
}

Color ParseColor(const std::string& value, Color current, const ColorContext& context)
{
    if (value.empty())
        return current;
    if (!context.enabled)
        return context.disabledColor;
    if (value[0] == '#') {
        if (value.size() != 7)
            return current;
        unsigned rgb = 0;
        for (std::size_t i = 1; i < 7; ++i) {
            const int digit = HexDigitValue(value[i]);
            if (digit < 0)
                return current;
            rgb = rgb * 16 + static_cast<unsigned>(digit);
        }
        return MakeColor(rgb >> 16, rgb >> 8, rgb);
    }
    if (IsAsciiDigit(value[0]))
        return static_cast<Color>(ParseInteger(value)) & 0xFFFFFF;
    Color named = current;
    if (context.table && context.table->Lookup(value, &named))
        return named;
    return current;
}

} // namespace htmltip
