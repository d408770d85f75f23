#include "window/ModalDriver.h"

#include <cstring>

namespace windowtest {

namespace {

CModalDriver* t_driver = nullptr; // the one driver of the test thread

struct SSearch {
    const char* className;
    HWND found;
};

BOOL CALLBACK Match(HWND hwnd, LPARAM param)
{
    auto* search = reinterpret_cast<SSearch*>(param);
    DWORD process = 0;
    ::GetWindowThreadProcessId(hwnd, &process);
    char name[64] = {};
    ::GetClassNameA(hwnd, name, sizeof(name));
    if (process == ::GetCurrentProcessId() && ::IsWindowVisible(hwnd) && std::strcmp(name, search->className) == 0) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

} // namespace

HWND FindProcessWindow(const char* className)
{
    SSearch search = {className, nullptr};
    ::EnumWindows(&Match, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

CModalDriver::CModalDriver(const char* className, std::function<void(HWND)> action, UINT periodMs)
    : m_className(className), m_action(std::move(action))
{
    t_driver = this;
    m_timer = ::SetTimer(nullptr, 0, periodMs, &Tick);
}

CModalDriver::~CModalDriver()
{
    if (m_timer)
        ::KillTimer(nullptr, m_timer);
    if (t_driver == this)
        t_driver = nullptr;
}

void CALLBACK CModalDriver::Tick(HWND, UINT, UINT_PTR, DWORD)
{
    CModalDriver* driver = t_driver;
    if (!driver || driver->m_done)
        return;
    HWND window = FindProcessWindow(driver->m_className);
    if (!window)
        return;
    driver->m_done = true;
    ::KillTimer(nullptr, driver->m_timer);
    driver->m_timer = 0;
    driver->m_action(window);
}

void PostCommand(HWND dialog, int id)
{
    ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

} // namespace windowtest
