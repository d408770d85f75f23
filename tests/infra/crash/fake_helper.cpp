// Stands in for CHelper.exe: records its command line in helper-<pid>.txt beside itself.
#include <windows.h>
#include <cstdio>
#include <cstring>

int main()
{
    char folder[MAX_PATH + 1];
    DWORD length = ::GetModuleFileNameA(nullptr, folder, MAX_PATH);
    folder[length] = '\0';
    if (char* slash = std::strrchr(folder, '\\'))
        slash[1] = '\0';
    char scratch[2 * MAX_PATH];
    char final[2 * MAX_PATH];
    std::snprintf(scratch, sizeof scratch, "%shelper-%lu.tmp", folder, ::GetCurrentProcessId());
    std::snprintf(final, sizeof final, "%shelper-%lu.txt", folder, ::GetCurrentProcessId());
    // Written under another name first, so a reader never sees half of it.
    FILE* out = std::fopen(scratch, "wb");
    if (out == nullptr)
        return 1;
    std::fputs(::GetCommandLineA(), out);
    std::fclose(out);
    return ::MoveFileA(scratch, final) ? 0 : 1;
}
