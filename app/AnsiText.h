#pragma once
// The program's 8-bit texts and the XML store's UTF-16 texts, converted with the calling
// thread's ANSI code page (CP_THREAD_ACP). A character the code page lacks becomes its
// best-fitting character or "?".

#include "app/portable/XmlStoreRecords.h"
#include "framework/String.h"

xmlstore::Text AnsiToUtf16(const CString& text);
CString Utf16ToAnsi(const xmlstore::Text& text);
