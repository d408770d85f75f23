#include "window/Input.h"

namespace windowtest {

namespace {

LPARAM PointParam(POINT point)
{
    return MAKELPARAM(static_cast<WORD>(point.x), static_cast<WORD>(point.y));
}

void MoveCursorTo(HWND hwnd, POINT client)
{
    POINT screen = client;
    ::ClientToScreen(hwnd, &screen);
    ::SetCursorPos(screen.x, screen.y);
}

} // namespace

void PostKey(HWND hwnd, UINT virtualKey)
{
    const UINT scan = ::MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC);
    ::PostMessageA(hwnd, WM_KEYDOWN, virtualKey, 1 | (scan << 16));
    ::PostMessageA(hwnd, WM_KEYUP, virtualKey, 1 | (scan << 16) | (3u << 30));
}

void PostClick(HWND hwnd, POINT client, bool right)
{
    MoveCursorTo(hwnd, client);
    ::PostMessageA(hwnd, right ? WM_RBUTTONDOWN : WM_LBUTTONDOWN, right ? MK_RBUTTON : MK_LBUTTON, PointParam(client));
    ::PostMessageA(hwnd, right ? WM_RBUTTONUP : WM_LBUTTONUP, 0, PointParam(client));
}

void PostDoubleClick(HWND hwnd, POINT client)
{
    PostClick(hwnd, client);
    ::PostMessageA(hwnd, WM_LBUTTONDBLCLK, MK_LBUTTON, PointParam(client));
    ::PostMessageA(hwnd, WM_LBUTTONUP, 0, PointParam(client));
}

bool SendClick(HWND hwnd, POINT client)
{
    MoveCursorTo(hwnd, client);
    INPUT inputs[2] = {};
    inputs[0].type = inputs[1].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    return ::SendInput(2, inputs, sizeof(INPUT)) == 2;
}

void PostMouseMove(HWND hwnd, POINT client)
{
    MoveCursorTo(hwnd, client);
    ::PostMessageA(hwnd, WM_MOUSEMOVE, 0, PointParam(client));
}

std::string ClipboardText(HWND owner)
{
    std::string text;
    if (!::OpenClipboard(owner))
        return text;
    if (HANDLE data = ::GetClipboardData(CF_TEXT)) {
        if (const char* bytes = static_cast<const char*>(::GlobalLock(data))) {
            text = bytes;
            ::GlobalUnlock(data);
        }
    }
    ::CloseClipboard();
    return text;
}

} // namespace windowtest
