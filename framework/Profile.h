#pragma once
// CAppProfile: the application's own profile values, kept in the registry under
// HKEY_CURRENT_USER "Software\<registry key>\<application name>\<section>". The application
// object holds one, made from the key it is given at start ("TARNIX Application").

#include "framework/String.h"

class CAppProfile {
public:
    CAppProfile(const char* registryKey, const char* applicationName);

    // The stored text, or defaultValue when the entry is missing or not a text.
    CString GetProfileString(const char* section, const char* entry, const char* defaultValue = "") const;
    // A null value deletes the entry. False when the registry refused the change.
    bool WriteProfileString(const char* section, const char* entry, const char* value);

    // HKEY_CURRENT_USER-relative key of a section ("\"s at either end of the section are dropped).
    CString SectionPath(const char* section) const;

private:
    CString m_registryKey;
    CString m_applicationName;
};
