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
