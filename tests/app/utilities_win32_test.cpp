#include <gtest/gtest.h>

#include "app/DirectoryProbe.h"
#include "framework/String.h"

namespace {

CString TempFolder()
{
    char dir[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, dir);
    CString folder(dir);
    folder.TrimRight("\\");
    CString own;
    own.Format("%s\\probe_%lu", folder.GetString(), GetCurrentProcessId());
    CreateDirectoryA(own, nullptr);
    return own;
}

} // namespace

TEST(DirectoryProbe, LeavesAnExistingProbeFileAlone)
{
    const CString folder = TempFolder();
    const CString probe = folder + "\\~checkDirExist.file";
    DeleteFileA(probe);
    EXPECT_TRUE(IsDirectoryWritable(folder));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(probe)) << "its own probe is removed";

    HANDLE file = CreateFileA(probe, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    DWORD written = 0;
    WriteFile(file, "mine", 4, &written, nullptr);
    CloseHandle(file);
    EXPECT_TRUE(IsDirectoryWritable(folder));
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    ASSERT_TRUE(GetFileAttributesExA(probe, GetFileExInfoStandard, &data)) << "a file that was there survives";
    EXPECT_EQ(4u, data.nFileSizeLow);

    DeleteFileA(probe);
    RemoveDirectoryA(folder);
    EXPECT_FALSE(IsDirectoryWritable(folder + "\\no such folder"));
}
