#include "framework/com/Registrar.h"

#include <algorithm>

namespace {

class CKey {
public:
    CKey() = default;
    ~CKey()
    {
        if (m_key)
            RegCloseKey(m_key);
    }
    CKey(const CKey&) = delete;
    CKey& operator=(const CKey&) = delete;
    HKEY* Receive() { return &m_key; }
    HKEY Get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};

std::size_t Depth(const std::wstring& key)
{
    return static_cast<std::size_t>(std::count(key.begin(), key.end(), L'\\'));
}

} // namespace

void CRegistrar::AddReplacement(std::wstring name, std::wstring value)
{
    m_replacements.emplace_back(std::move(name), std::move(value));
}

bool CRegistrar::Expand(const wchar_t* text, std::wstring& out) const
{
    out.clear();
    for (const wchar_t* p = text; *p; ++p) {
        if (*p != L'%') {
            out += *p;
            continue;
        }
        const wchar_t* end = p + 1;
        while (*end && *end != L'%')
            ++end;
        if (!*end)
            return false;
        const std::wstring name(p + 1, end);
        if (name.empty()) {
            out += L'%';
        } else {
            auto found = std::find_if(m_replacements.begin(), m_replacements.end(),
                                      [&](const std::pair<std::wstring, std::wstring>& r) { return r.first == name; });
            if (found == m_replacements.end())
                return false;
            out += found->second;
        }
        p = end;
    }
    return true;
}

HRESULT CRegistrar::Register(const CRegistrarEntry* entries) const
{
    std::wstring key;
    std::wstring value;
    for (const CRegistrarEntry* entry = entries; entry->key; ++entry) {
        if (!Expand(entry->key, key) || (entry->value && !Expand(entry->value, value))) {
            Unregister(entries);
            return E_UNEXPECTED;
        }
        CKey opened;
        LONG result = RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                      KEY_SET_VALUE, nullptr, opened.Receive(), nullptr);
        if (result == ERROR_SUCCESS && entry->value) {
            const DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
            result = RegSetValueExW(opened.Get(), entry->name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                    bytes);
        }
        if (result != ERROR_SUCCESS) {
            Unregister(entries);
            return HRESULT_FROM_WIN32(result);
        }
    }
    return S_OK;
}

HRESULT CRegistrar::Unregister(const CRegistrarEntry* entries) const
{
    std::vector<std::wstring> keys;
    std::wstring key;
    for (const CRegistrarEntry* entry = entries; entry->key; ++entry) {
        if (!Expand(entry->key, key))
            return E_UNEXPECTED;
        if (std::find(keys.begin(), keys.end(), key) == keys.end())
            keys.push_back(key);
        if (!entry->value)
            continue;
        CKey opened;
        if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_SET_VALUE, opened.Receive()) == ERROR_SUCCESS)
            RegDeleteValueW(opened.Get(), entry->name);
    }
    // Children before their parents; a key that still holds anything the table did not write
    // stays.
    std::stable_sort(keys.begin(), keys.end(),
                     [](const std::wstring& a, const std::wstring& b) { return Depth(a) > Depth(b); });
    for (const std::wstring& each : keys) {
        CKey opened;
        if (RegOpenKeyExW(HKEY_CLASSES_ROOT, each.c_str(), 0, KEY_QUERY_VALUE, opened.Receive()) != ERROR_SUCCESS)
            continue;
        DWORD subKeys = 0;
        DWORD values = 0;
        if (RegQueryInfoKeyW(opened.Get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, nullptr,
                             nullptr, nullptr, nullptr) != ERROR_SUCCESS ||
            subKeys != 0 || values != 0)
            continue;
        RegDeleteKeyW(HKEY_CLASSES_ROOT, each.c_str());
    }
    return S_OK;
}
