#include "framework/WindowDCs.h"

CPaintDC::CPaintDC(HWND window) : m_window(window)
{
    Attach(::BeginPaint(window, &m_ps));
}

CPaintDC::~CPaintDC()
{
    if (Detach())
        ::EndPaint(m_window, &m_ps);
}

CClientDC::CClientDC(HWND window) : m_window(window)
{
    Attach(::GetDC(window));
}

CClientDC::~CClientDC()
{
    if (HDC dc = Detach())
        ::ReleaseDC(m_window, dc);
}

CWindowDC::CWindowDC(HWND window) : m_window(window)
{
    Attach(::GetWindowDC(window));
}

CWindowDC::~CWindowDC()
{
    if (HDC dc = Detach())
        ::ReleaseDC(m_window, dc);
}
