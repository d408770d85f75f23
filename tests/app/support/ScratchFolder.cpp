#include "support/ScratchFolder.h"

#include <fstream>
#include <iterator>
#include <shellapi.h>

#include <gtest/gtest.h>

CScratchFolder::CScratchFolder()
{
    static int serial = 0;
    char temp[MAX_PATH + 1] = {};
    GetTempPathA(MAX_PATH, temp);
    m_path.Format("%sscratch %lu-%d\\", temp, GetCurrentProcessId(), ++serial);
    EXPECT_TRUE(CreateDirectoryA(m_path, nullptr)) << m_path.GetString();
}

CScratchFolder::~CScratchFolder()
{
    std::string from = m_path.Left(m_path.GetLength() - 1).str();
    from.push_back('\0'); // the list ends with two NULs
    SHFILEOPSTRUCTA operation = {};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_NO_UI;
    SHFileOperationA(&operation);
}

bool CScratchFolder::Exists(const CString& path)
{
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

std::string CScratchFolder::ReadAll(const CString& path)
{
    std::ifstream in(path.GetString(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void CScratchFolder::WriteAll(const CString& path, const std::string& bytes)
{
    std::ofstream out(path.GetString(), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}
