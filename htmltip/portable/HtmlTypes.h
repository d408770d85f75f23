#pragma once
// Plain values shared by the tooltip's markup and layout: colours, rectangles, sizes, and the
// limits every length and count from markup is held to. No Windows type: the Windows layer
// converts at its edge.

#include <cstdint>
#include <string>

namespace htmltip {

// A colour as Windows keeps it: 0x00BBGGRR.
using Color = std::uint32_t;

constexpr Color MakeColor(unsigned red, unsigned green, unsigned blue)
{
    return (red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16);
}

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
};

struct Size {
    int cx = 0;
    int cy = 0;
};

// Markup comes from remote senders: every length and count it gives is held within these, so
// that no arithmetic overflows and no allocation or loop grows with a number in the text.
constexpr int kMaxLength = 4096;      // pixels: sizes, widths, paddings, borders, the document
constexpr int kMinFontHeight = 1;     // pixels
constexpr int kMaxFontHeight = 1024;  // pixels
constexpr int kMaxCount = 100;        // line breaks and tabs of one tag, column and row spans
constexpr int kMaxTableDepth = 8;     // tables inside table cells; deeper ones are flow text
constexpr int kMaxStyleDepth = 256;   // style records on the stack; deeper tags are ignored
constexpr int kMaxTableColumns = 100; // grid columns; cells beyond are ignored
constexpr int kMaxTableRows = 1000;   // grid rows; rows beyond are ignored
// Positions inside the layout saturate here: a document of thousands of clamped lengths stays far
// from 32-bit overflow.
constexpr int kMaxCoordinate = 1 << 24;

constexpr int Clamp(long long value, int low, int high)
{
    return value < low ? low : value > high ? high : static_cast<int>(value);
}

// a * b / c rounded to the nearest, halves away from zero (as Windows' MulDiv); 0 for c == 0.
// Saturates at kMaxCoordinate either way.
int MulDiv(long long a, long long b, long long c);

// Adds with saturation at +-kMaxCoordinate.
inline int AddClamped(int a, long long b)
{
    return Clamp(static_cast<long long>(a) + b, -kMaxCoordinate, kMaxCoordinate);
}

// Bytes are classified as unsigned, whatever char's sign: bytes from 0x80 are never letters here.
inline bool IsAsciiLetter(char c)
{
    const unsigned char u = static_cast<unsigned char>(c);
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z');
}
inline bool IsAsciiDigit(char c)
{
    const unsigned char u = static_cast<unsigned char>(c);
    return u >= '0' && u <= '9';
}
inline bool IsAsciiAlnum(char c)
{
    return IsAsciiLetter(c) || IsAsciiDigit(c);
}
inline char AsciiLower(char c)
{
    const unsigned char u = static_cast<unsigned char>(c);
    return u >= 'A' && u <= 'Z' ? static_cast<char>(u + ('a' - 'A')) : c;
}
inline char AsciiUpper(char c)
{
    const unsigned char u = static_cast<unsigned char>(c);
    return u >= 'a' && u <= 'z' ? static_cast<char>(u - ('a' - 'A')) : c;
}
std::string AsciiLowerCase(std::string text);
// 0..15 for a hexadecimal digit of either case, -1 for anything else.
inline int HexDigitValue(char c)
{
    if (IsAsciiDigit(c))
        return c - '0';
    const char lower = AsciiLower(c);
    return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

} // namespace htmltip
