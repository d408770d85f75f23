#include "htmltip/portable/HtmlTextTransform.h"

#include "htmltip/portable/HtmlStyle.h"

namespace htmltip {

std::string TransformText(const std::string& run, int transform)
{
    std::string text = run;
    switch (transform) {
    case kTransformUpper:
        for (char& c : text)
            c = AsciiUpper(c);
        break;
    case kTransformLower:
        text = AsciiLowerCase(text);
        break;
    case kTransformCapitalize:
        text = AsciiLowerCase(text);
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (i == 0 || text[i - 1] == ' ')
                text[i] = AsciiUpper(text[i]);
        }
        break;
    default:
        break;
    }
    return text;
}

} // namespace htmltip
