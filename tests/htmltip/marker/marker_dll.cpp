// A module whose code leaves a mark: loaded to run, its DllMain creates "htmltip_marker.flag" in
// the current folder. Markup that names it through srcdll must reach its resources without that.

#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        HANDLE file = CreateFileA("htmltip_marker.flag", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
    }
    return TRUE;
}
