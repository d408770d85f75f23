#pragma once
// Text helpers shared by the application and its dialogs. Every result is a new text; the
// arguments are never changed.

#include <string>
#include <vector>

#if defined(__GNUC__)
#if defined(__MINGW32__)
#define STI_PRINTF_FORMAT(fmt, args) __attribute__((format(gnu_printf, fmt, args)))
#else
#define STI_PRINTF_FORMAT(fmt, args) __attribute__((format(printf, fmt, args)))
#endif
#else
#define STI_PRINTF_FORMAT(fmt, args)
#endif

// printf-style formatting (C99 conversions, %lld for 64-bit integers).
std::string StrFormat(const char* format, ...) STI_PRINTF_FORMAT(1, 2);

// Splits at every run of separator characters; empty tokens never occur. White space at the
// start of every token after the first is skipped.
std::vector<std::string> TokenizeString(const std::string& text, const std::string& separators);

// An at sign that is not first, a full stop after it that is neither right behind it nor last.
bool IsValidEmail(const std::string& address);
// The part before the first at sign; empty without one.
std::string GetEmailUser(const std::string& address);

// Windows paths ("\" separated). Each gives an empty text when the separator is missing.
std::string GetPathExtension(const std::string& path); // after the last "."
std::string GetPathFileName(const std::string& path);  // after the last "\"
std::string GetPathDirectory(const std::string& path); // before the last "\"
