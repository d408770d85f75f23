#pragma once
// CWabReader: the contacts of the Windows Address Book that have both a display name and an
// e-mail address, read through the library the registry names.
//
// User-interface thread, synchronous. Every failure is silent: a missing registry value or
// library, a library without WABOpen or an address book that cannot be opened makes Read answer
// false; a book without a personal address book or of the wrong kind reads as empty.

#include <utility>
#include <vector>

#include <windows.h>

#include "app/AddressEnumerator.h"
#include "framework/String.h"

class CWabReader {
public:
    // HKEY_LOCAL_MACHINE key whose default value is the library's path.
    static constexpr const char* LIBRARY_KEY = "Software\\Microsoft\\WAB\\DLLPath";
    // Longest library path taken from the registry, in bytes.
    static const DWORD MAX_PATH_BYTES = 1024;

    // Finds and loads the library; reports nothing.
    CWabReader();
    virtual ~CWabReader();
    CWabReader(const CWabReader&) = delete;
    CWabReader& operator=(const CWabReader&) = delete;

    // Hands every collected (e-mail, name) pair to the callback in order, until it answers false.
    virtual void ForEach(IAddressEnumerator& callback) const;
    // Opens the book and collects its contacts; true when it was opened and read (maybe empty).
    virtual bool Read();

    const std::vector<std::pair<CString, CString>>& Contacts() const { return m_contacts; }

private:
    std::vector<std::pair<CString, CString>> m_contacts; // (e-mail, name)
    HMODULE m_library = nullptr;                         // owned
};
