#include "htmltip/portable/HtmlSizes.h"

#include "htmltip/portable/HtmlTypes.h"

namespace htmltip {

namespace {

const long long kSaturation = 1LL << 40;

// Digits with an optional fraction ("2.5"), unsigned; saturates.
double ParseDecimal(const std::string& text)
{
    double value = 0;
    std::size_t i = 0;
    for (; i < text.size() && IsAsciiDigit(text[i]); ++i) {
        if (value < kSaturation)
            value = value * 10 + (text[i] - '0');
    }
    if (i < text.size() && text[i] == '.') {
        double scale = 0.1;
        for (++i; i < text.size() && IsAsciiDigit(text[i]); ++i, scale /= 10)
            value += (text[i] - '0') * scale;
    }
    return value;
}

// Truncates, but a product that should be whole ("25.4mm" at 96 per inch) stays whole.
int ToLength(double value)
{
    if (!(value >= 0))
        return 0;
    value += 1e-6;
    return value >= kMaxCoordinate ? kMaxCoordinate : static_cast<int>(value);
}

} // namespace

long long ParseInteger(const std::string& text, bool* ok)
{
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    bool any = false;
    if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        any = true; // "0x" alone reads as 0, like strtol
        for (i += 2; i < text.size() && HexDigitValue(text[i]) >= 0; ++i) {
            if (value < kSaturation)
                value = value * 16 + HexDigitValue(text[i]);
        }
    } else {
        for (; i < text.size() && IsAsciiDigit(text[i]); ++i) {
            any = true;
            if (value < kSaturation)
                value = value * 10 + (text[i] - '0');
        }
    }
    if (ok)
        *ok = any;
    return negative ? -value : value;
}

int ParseSize(const std::string& value, int current, const SizeContext& context, bool fontTable)
{
    if (value.empty())
        return current;
    std::string text = value;
    if (text[0] == '+' || text[0] == '-')
        text.erase(0, 1);
    if (text.empty())
        return current;
    if (text.back() == '%') {
        text.pop_back();
        const long long percent = ParseInteger(text);
        return Clamp(MulDiv(current, percent > kMaxCoordinate ? kMaxCoordinate : percent, 100), 0, kMaxCoordinate);
    }
    if (text.size() >= 2) {
        const std::string unit = text.substr(text.size() - 2);
        const double number = ParseDecimal(text.substr(0, text.size() - 2));
        const double inch = number * context.pixelsPerInch;
        if (unit == "px")
            return ToLength(number);
        if (unit == "ex")
            return ToLength(number * context.xHeight);
        if (unit == "em")
            return ToLength(number * context.fontHeight);
        if (unit == "in")
            return ToLength(inch);
        if (unit == "cm")
            return ToLength(inch / 2.54);
        if (unit == "mm")
            return ToLength(inch / 25.4);
        if (unit == "pt")
            return ToLength(inch / 72);
        if (unit == "pc")
            return ToLength(inch / 6);
    }
    const long long number = ParseInteger(text);
    static const int kFontSizes[] = {8, 10, 12, 14, 18, 24, 36};
    if (fontTable && number >= 1 && number <= 7)
        return kFontSizes[number - 1];
    return Clamp(number, 0, kMaxCoordinate);
}

} // namespace htmltip
