#include "support/WabStubKey.h"

#include <fstream>

#include <gtest/gtest.h>

#include "app/WabReader.h"

namespace coretest {

std::string ProgramFolder()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    return folder.substr(0, folder.rfind('\\'));
}

CWabStubKey::CWabStubKey()
{
    m_mutex = CreateMutexA(nullptr, FALSE, "TarnixWabReaderTestKey");
    WaitForSingleObject(m_mutex, 60000);
    HKEY key;
    m_hadParent = RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\WAB", 0, KEY_READ, &key) == ERROR_SUCCESS;
    if (m_hadParent)
        RegCloseKey(key);
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, CWabReader::LIBRARY_KEY, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        DWORD size = sizeof m_saved;
        m_hadValue = RegQueryValueExA(key, nullptr, nullptr, &m_savedType, m_saved, &size) == ERROR_SUCCESS;
        m_savedSize = size;
        m_hadKey = true;
        RegCloseKey(key);
    }
    m_contacts = ProgramFolder() + "\\wab-contacts-" + std::to_string(GetCurrentProcessId()) + ".txt";
    SetEnvironmentVariableA("TARNIX_WABSTUB_CONTACTS", m_contacts.c_str());
    SetEnvironmentVariableA("TARNIX_TEST_FOLDER", ProgramFolder().c_str());
    SetEnvironmentVariableA("TARNIX_WABSTUB_FAIL", nullptr);
}

CWabStubKey::~CWabStubKey()
{
    if (m_hadKey && m_hadValue)
        SetPath(m_savedType, m_saved, m_savedSize);
    else if (m_hadKey)
        SetPath(REG_NONE, nullptr, 0, true);
    else
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, CWabReader::LIBRARY_KEY);
    if (!m_hadParent)
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\WAB");
    DeleteFileA(m_contacts.c_str());
    ReleaseMutex(m_mutex);
    CloseHandle(m_mutex);
}

void CWabStubKey::SetPath(DWORD type, const void* data, DWORD size, bool deleteValue)
{
    HKEY key;
    ASSERT_EQ(
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, CWabReader::LIBRARY_KEY, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    if (deleteValue)
        RegDeleteValueA(key, nullptr);
    else
        RegSetValueExA(key, nullptr, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
}

void CWabStubKey::SetPath(DWORD type, const std::string& text)
{
    SetPath(type, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

void CWabStubKey::UseStub()
{
    SetPath(REG_SZ, ProgramFolder() + "\\wabstub.dll");
}

void CWabStubKey::WriteContacts(const std::string& lines)
{
    std::ofstream(m_contacts) << lines;
}

} // namespace coretest
