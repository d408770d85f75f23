#pragma once
// The program's 8-bit texts and the XML store's UTF-16 texts, converted with the calling
// thread's ANSI code page (CP_THREAD_ACP). A character the code page lacks becomes "?", never
// a best-fitting character: "\u0101.txt" read back as "a.txt" would name another file, while
// "?" names none (Windows refuses it in a name). Wine 8, measured in code page 1252: "a" without
// WC_NO_BEST_FIT_CHARS; "?" and the used-default flag with it.

#include "app/portable/XmlStoreRecords.h"
#include "framework/String.h"

xmlstore::Text AnsiToUtf16(const CString& text);
// `exact`, when given, says whether every character converted.
CString Utf16ToAnsi(const xmlstore::Text& text, bool* exact = nullptr);
