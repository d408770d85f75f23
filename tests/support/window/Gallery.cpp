#include "window/Gallery.h"

#include <cstdio>
#include <string>

#include "window/MessagePumping.h"

namespace windowtest {

namespace {

// How long the display gets to show a window before it is photographed.
const DWORD kSettleMs = 400;
const DWORD kWaitForScriptMs = 60000;

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

} // namespace

CGallery::CGallery(int argc, char** argv, DWORD showMs) : m_folder(argc > 1 ? argv[1] : nullptr), m_showMs(showMs) {}

bool CGallery::ShowItem(const char* name, HWND window)
{
    if (window) {
        ShowWindow(window, SW_SHOWNORMAL);
        UpdateWindow(window);
        PumpFor(kSettleMs);
    }
    GdiFlush();
    std::printf("ready %s\n", name);
    std::fflush(stdout);
    const std::string go = m_folder ? std::string(m_folder) + "\\" + name + ".go" : std::string();
    if (!window) {
        // Inside a modal loop (a menu's): messages are that loop's to handle; the screen keeps
        // what it drew.
        const DWORD start = GetTickCount();
        while (m_folder ? !Exists(go) : GetTickCount() - start < m_showMs) {
            if (GetTickCount() - start > kWaitForScriptMs)
                return false;
            Sleep(50);
        }
        return true;
    }
    if (!m_folder) {
        PumpFor(m_showMs);
        return true;
    }
    const DWORD start = GetTickCount();
    while (!Exists(go)) {
        if (GetTickCount() - start > kWaitForScriptMs)
            return false;
        PumpFor(50); // the file brings no message: look again after a while
    }
    return true;
}

} // namespace windowtest
