#include "htmltip/portable/HtmlStyleSheet.h"

namespace htmltip {

namespace {

std::size_t SkipToWordStart(const std::string& text, std::size_t pos)
{
    while (pos < text.size() && !IsAsciiAlnum(text[pos]) && text[pos] != '.')
        ++pos;
    return pos;
}

void ApplyTextDecoration(const std::string& value, HtmlStyle& style)
{
    if (value.empty()) {
        style.underline = style.strikeout = style.overline = false;
        return;
    }
    std::size_t pos = 0;
    while (pos < value.size()) {
        const std::size_t end = value.find(' ', pos);
        const std::string word = value.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
        if (word == "none")
            style.underline = style.strikeout = style.overline = false;
        else if (word == "underline")
            style.underline = true;
        else if (word == "line-through")
            style.strikeout = true;
        else if (word == "overline")
            style.overline = true;
        if (end == std::string::npos)
            break;
        pos = end + 1;
    }
}

void ApplyProperty(const std::string& name, const std::string& value, HtmlStyle& style, const StyleContext& context)
{
    if (name == "font-size") {
        style.size = Clamp(ParseSize(value, style.size, context.sizes, true), kMinFontHeight, kMaxFontHeight);
    } else if (name == "font-family") {
        if (!value.empty())
            style.SetFace(value);
    } else if (name == "font-style") {
        if (value.empty() || value == "normal")
            style.italic = false;
        else if (value == "italic" || value == "oblique")
            style.italic = true;
    } else if (name == "font-weight") {
        style.weight = ParseWeight(value, style.weight);
    } else if (name == "text-align") {
        const int align = ParseHorizontalAlign(value);
        if (align >= 0)
            style.hAlign = align;
    } else if (name == "text-transform") {
        if (value.empty() || value == "none")
            style.textTransform = kTransformNone;
        else if (value == "uppercase")
            style.textTransform = kTransformUpper;
        else if (value == "lowercase")
            style.textTransform = kTransformLower;
        else if (value == "capitalize")
            style.textTransform = kTransformCapitalize;
    } else if (name == "color") {
        style.color = ParseColor(value, style.color, context.colors);
    } else if (name == "background-color") {
        if (value == "transparent" || !context.colors.enabled) {
            style.bkMode = kBkTransparent;
        } else if (!value.empty()) {
            style.bkMode = kBkOpaque;
            style.bkColor = ParseColor(value, style.bkColor, context.colors);
        }
    } else if (name == "text-decoration") {
        ApplyTextDecoration(value, style);
    } else if (name == "vertical-align") {
        const int align = ParseVerticalAlign(value);
        if (align >= 0)
            style.vAlign = align;
    } else if (name == "border-color") {
        style.borderLight = style.borderDark = ParseColor(value, style.borderLight, context.colors);
    } else if (name == "border-width" || name == "size") {
        if (value == "thin")
            SetBorderWidth(style, MulDiv(style.borderWidth, 75, 100));
        else if (value == "thick")
            SetBorderWidth(style, MulDiv(style.borderWidth, 125, 100));
        else if (value != "medium")
            SetBorderWidth(style, ParseSize(value, style.borderWidth, context.sizes));
    } else if (name == "border-style") {
        const int borderStyle = ParseBorderStyleWord(value);
        if (borderStyle >= 0)
            SetBorderStyle(style, borderStyle);
    } else if (name == "margin") {
        style.cellPadding = Clamp(ParseSize(value, style.cellPadding, context.sizes), 0, kMaxLength);
    } else if (name == "padding") {
        style.cellSpacing = Clamp(ParseSize(value, style.cellSpacing, context.sizes), 0, kMaxLength);
    }
}

} // namespace

void CStyleSheet::Set(const std::string& text)
{
    m_rules.clear();
    const std::string lower = AsciiLowerCase(text);
    std::size_t pos = 0;
    while (true) {
        pos = SkipToWordStart(lower, pos);
        if (pos >= lower.size())
            break;
        const std::size_t selectorEnd = lower.find_first_of(" {", pos);
        if (selectorEnd == std::string::npos)
            break;
        const std::string selector = lower.substr(pos, selectorEnd - pos);
        const std::size_t open = lower.find('{', selectorEnd);
        if (open == std::string::npos)
            break;
        const std::size_t close = lower.find('}', open + 1);
        const std::size_t end = close == std::string::npos ? lower.size() : close;
        m_rules[selector] = lower.substr(open + 1, end - open - 1);
        if (close == std::string::npos)
            break;
        pos = close + 1;
    }
}

void CStyleSheet::SetDefault()
{
    static const CStyleSheet defaults = [] {
        CStyleSheet sheet;
        sheet.Set(DefaultText());
        return sheet;
    }();
    m_rules = defaults.m_rules;
}

const std::string* CStyleSheet::Find(const std::string& selector) const
{
    const auto found = m_rules.find(AsciiLowerCase(selector));
    return found == m_rules.end() ? nullptr : &found->second;
}

std::string CStyleSheet::DefaultText()
{
    static const char* const rules[] = {
        "body {font-size: 10pt; color:black; font-family:Verdana}",
        "p {font-size: 10pt; color:black; font-family:Verdana; font-weight:bold}",
        "h1 {font-size: 14pt; color:black; font-family:Verdana; font-weight:bold}",
        "h2 {font-size: 13pt; color:#ff9900; font-family:Verdana; font-weight:bold}",
        "h3 {font-size: 12pt; color:#ff9900; font-family:Arial; font-weight:bold}",
        "h4 {font-size: 10pt; color:black; font-family:Verdana; font-weight:bold}",
        "h5 {font-size: 9pt; color:#ff9900; font-family:Verdana; font-weight:bold}",
        "h6 {font-size: 65%; color:#626262; font-family:Verdana; font-weight:normal}",
        "pre {font-size: 9pt; font-family:\"Courier\"; background-color:#fbedbb}",
        "code {color:#990000; font-family:Arial}",
        "a:link {text-decoration:none; color:blue}",
        "a:hover {text-decoration:underline; color:blue}",
        "sub {font-size:65%; vertical-align:bottom}",
        "sup {font-size:65%; vertical-align:top}",
        "big {font-size:125%}",
        "small {font-size:75%}",
        ".cpp-comment {color:green; font-style:italic}",
    };
    std::string text;
    for (const char* rule : rules) {
        text += rule;
        text += "\r\n";
    }
    return text;
}

void ApplyDeclarations(const std::string& declarations, HtmlStyle& style, const StyleContext& context, bool lower)
{
    const std::string lowered = lower ? std::string() : AsciiLowerCase(declarations);
    const std::string& text = lower ? declarations : lowered;
    const std::size_t size = text.size();
    std::size_t pos = 0;
    while (true) {
        pos = SkipToWordStart(text, pos);
        if (pos >= size)
            break;
        const std::size_t nameEnd = text.find_first_of(" :", pos);
        const std::string name = text.substr(pos, nameEnd == std::string::npos ? std::string::npos : nameEnd - pos);
        pos = nameEnd == std::string::npos ? size : nameEnd;
        while (pos < size && (text[pos] == ':' || text[pos] == ' '))
            ++pos;
        std::string value;
        if (pos < size && text[pos] == '"') {
            const std::size_t close = text.find('"', pos + 1);
            const std::size_t end = close == std::string::npos ? size : close;
            value = text.substr(pos + 1, end - pos - 1);
            pos = close == std::string::npos ? size : close + 1;
        } else if (pos < size && text[pos] != ';') {
            const std::size_t end = text.find_first_of("; ", pos);
            value = text.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
            pos = end == std::string::npos ? size : end;
        }
        ApplyProperty(name, value, style, context);
    }
}

int ParseWeight(const std::string& value, int current)
{
    if (value.empty() || value == "normal")
        return 400;
    if (value == "bold")
        return 700;
    if (value == "bolder")
        return 900;
    if (value == "lighter")
        return 100;
    bool ok = false;
    const long long number = ParseInteger(value, &ok);
    return ok ? Clamp(number, 100, 900) : current;
}

int ParseBorderStyleWord(const std::string& value)
{
    if (value.empty() || value == "none")
        return kBorderNone;
    if (value == "solid")
        return kBorderSolid;
    if (value == "dotted")
        return kBorderDotted;
    if (value == "dashed")
        return kBorderDashed;
    if (value == "double")
        return kBorderDouble;
    return -1;
}

void SetBorderWidth(HtmlStyle& style, int width)
{
    style.borderWidth = Clamp(width, 0, kMaxLength);
    if (style.borderWidth == 0)
        style.borderStyle = kBorderNone;
    else if (style.borderStyle == kBorderNone)
        style.borderStyle = kBorderSolid;
}

void SetBorderStyle(HtmlStyle& style, int borderStyle)
{
    style.borderStyle = borderStyle;
    if (borderStyle != kBorderNone && style.borderWidth == 0)
        style.borderWidth = 1;
}

int ParseHorizontalAlign(const std::string& value)
{
    if (value.empty() || value == "left")
        return kAlignLeft;
    if (value == "center")
        return kAlignCenter;
    if (value == "right")
        return kAlignRight;
    return -1;
}

int ParseVerticalAlign(const std::string& value)
{
    if (value.empty() || value == "baseline")
        return kAlignBaseline;
    if (value == "middle" || value == "vcenter")
        return kAlignVCenter;
    if (value == "top")
        return kAlignTop;
    if (value == "bottom")
        return kAlignBottom;
    return -1;
}

} // namespace htmltip
