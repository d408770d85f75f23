#pragma once
// The tags the drawer knows: each name's id and the name under which its style is pushed.

#include <string>

namespace htmltip {

enum HtmlTagId {
    kTagNone = 0,
    kTagBold = 1,
    kTagItalic = 2,
    kTagUnderline = 3,
    kTagStrikeOut = 4,
    kTagFont = 5,
    kTagRule = 6,
    kTagBreak = 7,
    kTagTab = 8,
    kTagLeft = 9,
    kTagCenter = 10,
    kTagRight = 11,
    kTagJustify = 12,
    kTagBaseline = 13,
    kTagTop = 14,
    kTagVCenter = 15,
    kTagBottom = 16,
    kTagBitmap = 17,
    kTagIcon = 18,
    kTagImageList = 19,
    kTagString = 20,
    kTagNamedStyle = 21,
    kTagSpan = 22,
    kTagLink = 23,
};

struct HtmlTagInfo {
    HtmlTagId id = kTagNone;
    std::string stackName; // empty for objects, which have no closing tag
};

// Exact-case lookup; kTagNone for a name the table does not hold.
HtmlTagInfo LookupTag(const std::string& name);

} // namespace htmltip
