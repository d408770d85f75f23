#pragma once
// The style record that tags and style sheets change, and the stack that tags push it on.

#include <string>
#include <vector>

#include "htmltip/portable/HtmlTypes.h"

namespace htmltip {

enum HorizontalAlign {
    kAlignLeft = 0,
    kAlignCenter = 1,
    kAlignRight = 2,
    kAlignJustify = 3
};
enum VerticalAlign {
    kAlignTop = 0,
    kAlignVCenter = 1,
    kAlignBottom = 2,
    kAlignBaseline = 3
};
enum BorderStyle {
    kBorderNone = 0,
    kBorderSolid = 1,
    kBorderDashed = 2,
    kBorderDotted = 3,
    kBorderDouble = 6
};
enum BackgroundMode {
    kBkTransparent = 1,
    kBkOpaque = 2
};
enum TextTransform {
    kTransformNone = 0,
    kTransformUpper = 1,
    kTransformLower = 2,
    kTransformCapitalize = 3
};
enum LinkKind {
    kLinkNone = 0,
    kLinkHref = 1,
    kLinkMessage = 2
};

// Longest face name a font takes (LOGFONT's field less its terminator); longer ones are cut.
constexpr std::size_t kMaxFaceLength = 31;

// Copied whole when pushed and restored whole when popped. The defaults are those of the start of
// every pass.
struct HtmlStyle {
    std::string name; // the stack name it was pushed under
    int size = 16;    // font height, pixels
    int weight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeout = false;
    bool overline = false; // drawn by hand along the top of the text
    std::string face = "Verdana";
    Color color = 0;
    Color bkColor = 0xFFFFFF; // text background, and the first colour of a fill effect
    Color borderLight = 0;
    Color borderDark = 0;
    Color bkMidColor = 0xFFFFFF;
    Color bkEndColor = 0xFFFFFF;
    int bkMode = kBkTransparent;
    int bkEffect = -1; // fill effect id, -1 none
    std::string background;
    int hAlign = kAlignLeft;
    int vAlign = kAlignBaseline;
    int borderStyle = kBorderNone;
    int borderWidth = 0;
    int width = 0;  // asked for by a table or cell attribute
    int height = 0; // asked for by a table or cell attribute
    int textTransform = kTransformNone;
    int cellPadding = 2; // CSS "margin", attribute "cellpadding"
    int cellSpacing = 0; // CSS "padding", attribute "cellspacing"
    int linkKind = kLinkNone;
    std::string link;
    int linkNumber = -1; // which <a> the link came from

    void SetFace(const std::string& value) { face = value.substr(0, kMaxFaceLength); }
};

// Pushes are refused beyond kMaxStyleDepth records, so markup cannot grow it without bound.
class CStyleStack {
public:
    // Stores a copy of `style` under `name`; false (nothing stored) when the stack is full.
    bool Push(const HtmlStyle& style, const std::string& name);
    // When the top record has this name it is removed into `current`; otherwise nothing changes.
    bool PopIfTop(const std::string& name, HtmlStyle& current);
    void Clear() { m_records.clear(); }
    std::size_t Size() const { return m_records.size(); }
    bool Empty() const { return m_records.empty(); }
    // Drops every record above the first `size` ones.
    void Truncate(std::size_t size);

private:
    std::vector<HtmlStyle> m_records;
};

} // namespace htmltip
