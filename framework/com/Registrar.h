#pragma once
// CRegistrar: writes a table of registry keys and values under HKEY_CLASSES_ROOT, and removes
// them again. Texts of the table may hold %NAME%, replaced by the registrar's values (the server
// gives MODULE, CLSID and LIBID; a class adds its own names), and "%%" for one "%".
//
// Removal takes only what the table names: each value of the table is deleted, then each key of
// the table, deepest first, when nothing else is left in it. Keys the table passes through
// (CLSID, say) are never deleted. Any thread; no state beyond the replacements.

#include <string>
#include <utility>
#include <vector>

#include <windows.h>

struct CRegistrarEntry {
    const wchar_t* key;   // under HKEY_CLASSES_ROOT
    const wchar_t* name;  // value name; null for the key's default value
    const wchar_t* value; // a string value; null when the entry is the key alone
};

class CRegistrar {
public:
    void AddReplacement(std::wstring name, std::wstring value);

    // Writes every entry of `entries` (ended by an entry whose key is null). On a failure what
    // was written is removed again and the error is returned.
    HRESULT Register(const CRegistrarEntry* entries) const;
    // Removes the table's values and keys; entries already gone are no failure.
    HRESULT Unregister(const CRegistrarEntry* entries) const;

private:
    // False for an unknown %NAME% or a lone "%".
    bool Expand(const wchar_t* text, std::wstring& out) const;

    std::vector<std::pair<std::wstring, std::wstring>> m_replacements;
};
