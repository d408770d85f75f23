#pragma once
// RegistrySetting<T>: one setting bound to one value name under HKEY_CURRENT_USER of a
// CRegistryKey, T being int (REG_DWORD) or CString (REG_SZ).
//
// Read once at construction (a missing or wrongly typed value gives the default), written at
// every Set and once more at destruction. Integer settings may carry a range that stored and
// set values are clamped to. Reads and writes are safe from any thread: integers are atomic,
// texts are copied under the setting's own lock (a leaf lock: nothing else is taken inside it).

#include <algorithm>
#include <atomic>
#include <climits>

#include "app/RegistryKey.h"
#include "framework/String.h"
#include "infra/Lock.h"

template <typename T>
class RegistrySetting;

template <>
class RegistrySetting<int> {
public:
    RegistrySetting(const CRegistryKey& key, const char* name, int defaultValue, int minValue = INT_MIN,
                    int maxValue = INT_MAX)
        : m_key(key), m_name(name), m_min(minValue), m_max(maxValue), m_value(Clamp(defaultValue))
    {
        DWORD stored = 0;
        if (m_key.GetDword(m_name, stored))
            m_value = Clamp(static_cast<int>(stored));
    }
    ~RegistrySetting() { Write(); }
    RegistrySetting(const RegistrySetting&) = delete;
    RegistrySetting& operator=(const RegistrySetting&) = delete;

    int Get() const { return m_value.load(); }
    void Set(int value)
    {
        m_value.store(Clamp(value));
        Write();
    }
    void Write() const { m_key.SetDword(m_name, static_cast<DWORD>(m_value.load())); }
    const CString& Name() const { return m_name; }

private:
    int Clamp(int value) const { return std::min(std::max(value, m_min), m_max); }

    const CRegistryKey& m_key;
    const CString m_name;
    const int m_min;
    const int m_max;
    std::atomic<int> m_value;
};

template <>
class RegistrySetting<CString> {
public:
    RegistrySetting(const CRegistryKey& key, const char* name, const char* defaultValue)
        : m_key(key), m_name(name), m_value(defaultValue)
    {
        CString stored;
        if (m_key.GetString(m_name, stored))
            m_value = stored;
    }
    ~RegistrySetting() { Write(); }
    RegistrySetting(const RegistrySetting&) = delete;
    RegistrySetting& operator=(const RegistrySetting&) = delete;

    CString Get() const
    {
        sti::CScopedLock guard(m_lock);
        return m_value;
    }
    void Set(const char* value)
    {
        CString copy(value);
        {
            sti::CScopedLock guard(m_lock);
            m_value = copy;
        }
        m_key.SetString(m_name, copy);
    }
    void Write() const { m_key.SetString(m_name, Get()); }
    const CString& Name() const { return m_name; }

private:
    const CRegistryKey& m_key;
    const CString m_name;
    mutable sti::CMutex m_lock;
    CString m_value;
};
