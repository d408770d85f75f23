#include "app/DirectoryProbe.h"

bool IsDirectoryWritable(const char* directory)
{
    CString probe(directory);
    probe += "\\~checkDirExist.file";
    HANDLE file = CreateFileA(probe, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    const bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
    CloseHandle(file);
    if (!existed)
        DeleteFileA(probe);
    return true;
}
