#pragma once
// The style sheet (named styles) and the declarations that change a style record.

#include <map>
#include <string>

#include "htmltip/portable/HtmlColors.h"
#include "htmltip/portable/HtmlSizes.h"
#include "htmltip/portable/HtmlStyle.h"

namespace htmltip {

// What reading a value needs: sizes against the current font, colours against the table.
struct StyleContext {
    SizeContext sizes;
    ColorContext colors;
};

// Selectors to declaration texts. Selectors are lower-cased when stored and looked up; a later
// rule of the same selector replaces the earlier one.
class CStyleSheet {
public:
    // Clears the sheet and reads `text` rule by rule: "selector {declarations}".
    void Set(const std::string& text);
    // The default sheet (read once per process).
    void SetDefault();
    // The declarations of a selector; null when the sheet has none.
    const std::string* Find(const std::string& selector) const;
    std::size_t Size() const { return m_rules.size(); }

    // The sheet a drawer starts with (17 rules, each line ending in CR LF).
    static std::string DefaultText();

private:
    std::map<std::string, std::string> m_rules;
};

// Lower-cases `declarations` and applies each "property: value" to `style`; unknown properties
// and malformed values change nothing. (A sheet's declarations are lower-cased already: `lower`.)
void ApplyDeclarations(const std::string& declarations, HtmlStyle& style, const StyleContext& context,
                       bool lower = false);

// Values shared by markup attributes and declarations.
// "normal" or empty 400, "bold" 700, "bolder" 900, "lighter" 100, else a number (100..900).
int ParseWeight(const std::string& value, int current);
// "none" or empty 0, "solid" 1, "dotted" 3, "dashed" 2, "double" 6; -1 for another word.
int ParseBorderStyleWord(const std::string& value);
// Sets the border width: 0 also sets the style none, a width with style none sets solid.
void SetBorderWidth(HtmlStyle& style, int width);
// Sets the border style: a style with width 0 sets width 1.
void SetBorderStyle(HtmlStyle& style, int borderStyle);
// "left" or empty 0, "center" 1, "right" 2; -1 for another word.
int ParseHorizontalAlign(const std::string& value);
// "baseline" or empty 3, "middle" or "vcenter" 1, "top" 0, "bottom" 2; -1 for another word.
int ParseVerticalAlign(const std::string& value);

} // namespace htmltip
