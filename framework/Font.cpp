#include "framework/Font.h"

#include <cstring>
#include <cwchar>

namespace {

template <class Char>
void CopyFace(Char (&field)[LF_FACESIZE], const Char* face, size_t length)
{
    const size_t kept = length < LF_FACESIZE - 1 ? length : LF_FACESIZE - 1;
    std::memcpy(field, face, kept * sizeof(Char));
    std::memset(field + kept, 0, (LF_FACESIZE - kept) * sizeof(Char));
}

// The face field of a caller's LOGFONT need not be terminated.
size_t FaceLength(const char* face)
{
    return strnlen(face, LF_FACESIZE);
}
size_t FaceLength(const wchar_t* face)
{
    return wcsnlen(face, LF_FACESIZE);
}

} // namespace

bool CFont::CreateFont(int height, int width, int escapement, int orientation, int weight, BYTE italic, BYTE underline,
                       BYTE strikeOut, BYTE charSet, BYTE outPrecision, BYTE clipPrecision, BYTE quality,
                       BYTE pitchAndFamily, const char* face)
{
    LOGFONTA font = {};
    font.lfHeight = height;
    font.lfWidth = width;
    font.lfEscapement = escapement;
    font.lfOrientation = orientation;
    font.lfWeight = weight;
    font.lfItalic = italic;
    font.lfUnderline = underline;
    font.lfStrikeOut = strikeOut;
    font.lfCharSet = charSet;
    font.lfOutPrecision = outPrecision;
    font.lfClipPrecision = clipPrecision;
    font.lfQuality = quality;
    font.lfPitchAndFamily = pitchAndFamily;
    if (face)
        CopyFace(font.lfFaceName, face, std::strlen(face));
    return CreateFontIndirect(&font);
}

bool CFont::CreateFontIndirect(const LOGFONTA* font)
{
    if (m_hObject || !font)
        return false;
    LOGFONTA copy = *font;
    CopyFace(copy.lfFaceName, font->lfFaceName, FaceLength(font->lfFaceName));
    return Attach(::CreateFontIndirectA(&copy));
}

bool CFont::CreateFontIndirect(const LOGFONTW* font)
{
    if (m_hObject || !font)
        return false;
    LOGFONTW copy = *font;
    CopyFace(copy.lfFaceName, font->lfFaceName, FaceLength(font->lfFaceName));
    return Attach(::CreateFontIndirectW(&copy));
}

bool CFont::CreateDefaultGuiFont()
{
    LOGFONTA font = {};
    if (!::GetObjectA(::GetStockObject(DEFAULT_GUI_FONT), sizeof(font), &font))
        return false;
    return CreateFontIndirect(&font);
}

bool CFont::GetLogFont(LOGFONTW* font) const
{
    return m_hObject && ::GetObjectW(m_hObject, sizeof(LOGFONTW), font) != 0;
}
