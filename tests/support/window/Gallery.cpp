#include "window/Gallery.h"

#include <cstdio>
#include <string>

namespace windowtest {

namespace {

// How long the display gets to show a window before it is photographed.
const DWORD kSettleMs = 400;
const DWORD kWaitForScriptMs = 60000;

void PumpOnce(DWORD waitMs)
{
    MsgWaitForMultipleObjects(0, nullptr, FALSE, waitMs, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

} // namespace

void PumpMessagesFor(DWORD ms)
{
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < ms)
        PumpOnce(20);
}

CGallery::CGallery(int argc, char** argv, DWORD showMs)
    : m_folder(argc > 1 ? argv[1] : nullptr), m_showMs(showMs)
{
}

bool CGallery::ShowItem(const char* name, HWND window)
{
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    PumpMessagesFor(kSettleMs);
    GdiFlush();
    std::printf("ready %s\n", name);
    std::fflush(stdout);
    if (!m_folder) {
        PumpMessagesFor(m_showMs);
        return true;
    }
    const std::string go = std::string(m_folder) + "\\" + name + ".go";
    const DWORD start = GetTickCount();
    while (GetFileAttributesA(go.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (GetTickCount() - start > kWaitForScriptMs)
            return false;
        PumpOnce(50);
    }
    return true;
}

} // namespace windowtest
