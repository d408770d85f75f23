#pragma once
// ucs2_conversion: a code-conversion facet that makes wide streams read and write UTF-16
// little-endian, two bytes per 16-bit unit. Place it in a locale with `new ucs2_conversion`;
// the locale owns it (reference count 0).
//
// A conversion that cannot take all of its input (output full, or an odd byte left over on
// input) answers `partial`, so a stream asks again instead of dropping text. Units that do not
// fit in 16 bits (possible where wchar_t is 32-bit) are an error.

#include <cwchar>
#include <locale>

class ucs2_conversion : public std::codecvt<wchar_t, char, std::mbstate_t> {
public:
    explicit ucs2_conversion(std::size_t refs = 0) : std::codecvt<wchar_t, char, std::mbstate_t>(refs) {}

protected:
    result do_out(std::mbstate_t& state, const wchar_t* from, const wchar_t* fromEnd, const wchar_t*& fromNext,
                  char* to, char* toEnd, char*& toNext) const override;
    result do_in(std::mbstate_t& state, const char* from, const char* fromEnd, const char*& fromNext, wchar_t* to,
                 wchar_t* toEnd, wchar_t*& toNext) const override;
    result do_unshift(std::mbstate_t& state, char* to, char* toEnd, char*& toNext) const override;
    int do_encoding() const noexcept override { return 2; }
    bool do_always_noconv() const noexcept override { return false; }
    int do_length(std::mbstate_t& state, const char* from, const char* fromEnd, std::size_t max) const override;
    int do_max_length() const noexcept override { return 2; }
};
