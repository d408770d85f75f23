#include "window/ModalDriver.h"

#include <cstring>
#include <utility>

namespace windowtest {

namespace {

CModalDriver* t_driver = nullptr; // the one driver of the test thread
CModalScript* t_script = nullptr; // the one script of the test thread

struct SSearch {
    const char* className;
    const char* title;
    int controlId;
    HWND found;
};

BOOL CALLBACK Match(HWND hwnd, LPARAM param)
{
    auto* search = reinterpret_cast<SSearch*>(param);
    DWORD process = 0;
    ::GetWindowThreadProcessId(hwnd, &process);
    char name[64] = {};
    ::GetClassNameA(hwnd, name, sizeof(name));
    if (process != ::GetCurrentProcessId() || !::IsWindowVisible(hwnd) || std::strcmp(name, search->className) != 0)
        return TRUE;
    if (search->title) {
        char title[256] = {};
        ::GetWindowTextA(hwnd, title, sizeof(title));
        if (std::strcmp(title, search->title) != 0)
            return TRUE;
    }
    if (search->controlId && !::GetDlgItem(hwnd, search->controlId))
        return TRUE;
    search->found = hwnd;
    return FALSE;
}

HWND FindWindowFor(const char* className, const char* title, int controlId)
{
    SSearch search = {className, title, controlId, nullptr};
    ::EnumWindows(&Match, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

} // namespace

HWND FindProcessWindow(const char* className)
{
    return FindWindowFor(className, nullptr, 0);
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

CModalScript::CModalScript(std::vector<SModalStep> steps, UINT periodMs)
    : m_steps(std::move(steps)), m_stepStart(::GetTickCount())
{
    t_script = this;
    m_timer = ::SetTimer(nullptr, 0, periodMs, &Tick);
}

CModalScript::~CModalScript()
{
    if (m_timer)
        ::KillTimer(nullptr, m_timer);
    if (t_script == this)
        t_script = nullptr;
}

void CALLBACK CModalScript::Tick(HWND, UINT, UINT_PTR, DWORD)
{
    if (t_script)
        t_script->Step();
}

void CModalScript::Step()
{
    if (Done())
        return;
    const SModalStep& step = m_steps[static_cast<size_t>(m_next)];
    if (!m_failure.empty()) {
        // Let every loop of the failed step's class end.
        if (HWND window = FindWindowFor(step.className, nullptr, 0))
            PostCommand(window, IDCANCEL);
        return;
    }
    HWND window = FindWindowFor(step.className, step.title, step.controlId);
    if (!window) {
        if (::GetTickCount() - m_stepStart > step.limitMs) {
            m_failure = "step " + std::to_string(m_next + 1) + " (" + step.className + (step.title ? ", " : "") +
                        (step.title ? step.title : "") + ", control " + std::to_string(step.controlId) +
                        ") did not appear within " + std::to_string(step.limitMs) + " ms";
        }
        return;
    }
    ++m_next;
    m_stepStart = ::GetTickCount();
    if (Done()) {
        ::KillTimer(nullptr, m_timer);
        m_timer = 0;
    }
    step.action(window);
}

void PostCommand(HWND dialog, int id)
{
    ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
}

} // namespace windowtest
