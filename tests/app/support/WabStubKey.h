#pragma once
// Points the machine's Windows Address Book key at the stand-in library (tests/app/wabstub,
// beside the test program) for one test, and puts the key back as it was. Test processes of this
// program may run at once: a mutex shared within the prefix keeps them off the key one at a
// time. The contacts the stub serves are the lines of ContactsPath() (see wabstub.cpp).

#include <string>

#include <windows.h>

namespace coretest {

std::string ProgramFolder();

class CWabStubKey {
public:
    CWabStubKey();
    ~CWabStubKey();
    CWabStubKey(const CWabStubKey&) = delete;
    CWabStubKey& operator=(const CWabStubKey&) = delete;

    // The key's default value; deleteValue removes it instead.
    void SetPath(DWORD type, const void* data, DWORD size, bool deleteValue = false);
    void SetPath(DWORD type, const std::string& text);
    // The stand-in library beside the test program.
    void UseStub();
    void WriteContacts(const std::string& lines);
    const std::string& ContactsPath() const { return m_contacts; }

private:
    std::string m_contacts;
    HANDLE m_mutex = nullptr;
    bool m_hadParent = false, m_hadKey = false, m_hadValue = false;
    DWORD m_savedType = 0, m_savedSize = 0;
    BYTE m_saved[2048] = {};
};

} // namespace coretest
