#pragma once
// A fresh folder under the temporary folder for one test, removed with everything in it when
// the object goes. Tests run in parallel processes, so the name carries the process id.

#include <string>

#include "framework/String.h"

class CScratchFolder {
public:
    CScratchFolder();
    ~CScratchFolder();
    CScratchFolder(const CScratchFolder&) = delete;
    CScratchFolder& operator=(const CScratchFolder&) = delete;

    // The folder, ending in "\".
    const CString& Path() const { return m_path; }
    CString operator+(const char* name) const { return m_path + name; }

    static bool Exists(const CString& path);
    static std::string ReadAll(const CString& path);
    static void WriteAll(const CString& path, const std::string& bytes);

private:
    CString m_path;
};
