#include "app/AnsiText.h"

#include <windows.h>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows texts are UTF-16");

xmlstore::Text AnsiToUtf16(const CString& text)
{
    const int length = text.GetLength();
    const int units = length ? MultiByteToWideChar(CP_THREAD_ACP, 0, text, length, nullptr, 0) : 0;
    if (units <= 0)
        return xmlstore::Text();
    xmlstore::Text out(static_cast<std::size_t>(units), u'\0');
    MultiByteToWideChar(CP_THREAD_ACP, 0, text, length, reinterpret_cast<wchar_t*>(&out[0]), units);
    return out;
}

CString Utf16ToAnsi(const xmlstore::Text& text, bool* exact)
{
    const wchar_t* wide = reinterpret_cast<const wchar_t*>(text.c_str());
    const int units = static_cast<int>(text.size());
    CString out;
    if (exact)
        *exact = true;
    if (units == 0)
        return out;
    BOOL usedDefault = FALSE;
    DWORD flags = WC_NO_BEST_FIT_CHARS;
    BOOL* used = &usedDefault;
    int length = WideCharToMultiByte(CP_THREAD_ACP, flags, wide, units, nullptr, 0, nullptr, used);
    if (length <= 0) {
        // UTF-8 as the ANSI code page takes neither: it has every character, so none is fitted.
        flags = 0;
        used = nullptr;
        length = WideCharToMultiByte(CP_THREAD_ACP, flags, wide, units, nullptr, 0, nullptr, nullptr);
    }
    if (length > 0) {
        WideCharToMultiByte(CP_THREAD_ACP, flags, wide, units, out.GetBuffer(length), length, nullptr, used);
        out.ReleaseBuffer(length);
    }
    if (exact)
        *exact = length > 0 && !usedDefault;
    return out;
}
