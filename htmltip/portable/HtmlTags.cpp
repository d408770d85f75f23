#include "htmltip/portable/HtmlTags.h"

#include <map>

namespace htmltip {

HtmlTagInfo LookupTag(const std::string& name)
{
    static const std::map<std::string, HtmlTagInfo> table = [] {
        std::map<std::string, HtmlTagInfo> tags = {
            {"b", {kTagBold, "bold"}},
            {"i", {kTagItalic, "italic"}},
            {"em", {kTagItalic, "italic"}},
            {"u", {kTagUnderline, "underline"}},
            {"s", {kTagStrikeOut, "strikeout"}},
            {"strike", {kTagStrikeOut, "strikeout"}},
            {"font", {kTagFont, "font"}},
            {"hr", {kTagRule, ""}},
            {"br", {kTagBreak, ""}},
            {"t", {kTagTab, ""}},
            {"left", {kTagLeft, "left"}},
            {"center", {kTagCenter, "center"}},
            {"right", {kTagRight, "right"}},
            {"justify", {kTagJustify, "justify"}},
            {"baseline", {kTagBaseline, "baseline"}},
            {"top", {kTagTop, "top"}},
            {"vcenter", {kTagVCenter, "vcenter"}},
            {"middle", {kTagVCenter, "vcenter"}},
            // Shares its stack name with vcenter: "</vcenter>" closes "<bottom>".
            {"bottom", {kTagBottom, "vcenter"}},
            {"bmp", {kTagBitmap, ""}},
            {"icon", {kTagIcon, ""}},
            {"ilst", {kTagImageList, ""}},
            {"string", {kTagString, ""}},
            {"span", {kTagSpan, "span"}},
            {"a", {kTagLink, "link"}},
        };
        for (const char* named :
             {"body", "h1", "h2", "h3", "h4", "h5", "h6", "code", "pre", "big", "small", "sub", "sup"})
            tags[named] = {kTagNamedStyle, named};
        return tags;
    }();
    const auto found = table.find(name);
    return found == table.end() ? HtmlTagInfo{} : found->second;
}

} // namespace htmltip
