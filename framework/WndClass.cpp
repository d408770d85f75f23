#include "framework/WndClass.h"

#include "framework/AppState.h"

#include <cstdio>
#include <set>
#include <string>

#include "framework/Wnd.h"

bool AfxRegisterClass(const char* name, UINT style, HCURSOR cursor, HBRUSH background, WNDPROC procedure, HICON icon)
{
    HINSTANCE module = AfxGetInstanceHandle();
    WNDCLASSEXA info = {};
    info.cbSize = sizeof(info);
    if (::GetClassInfoExA(module, name, &info))
        return true;
    info.style = style;
    info.lpfnWndProc = procedure ? procedure : &CWnd::FrameworkWndProc;
    info.hInstance = module;
    info.hCursor = cursor;
    info.hbrBackground = background;
    info.hIcon = icon;
    info.lpszClassName = name;
    return ::RegisterClassExA(&info) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

const char* AfxRegisterWndClass(UINT style, HCURSOR cursor, HBRUSH background, HICON icon)
{
    char name[96];
    std::snprintf(name, sizeof(name), "Tarnix:%x:%llx:%llx:%llx", style,
                  static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(cursor)),
                  static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(background)),
                  static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(icon)));
    // The names live as long as the classes: set nodes never move.
    static std::set<std::string> names;
    const std::string& kept = *names.insert(name).first;
    if (!AfxRegisterClass(kept.c_str(), style, cursor, background, nullptr, icon))
        return nullptr;
    return kept.c_str();
}
