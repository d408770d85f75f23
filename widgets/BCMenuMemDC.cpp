#include "widgets/BCMenuMemDC.h"

BCMenuMemDC::BCMenuMemDC(HDC target, const RECT& rect) : m_target(target), m_rect(rect)
{
    CDC probe;
    probe.Attach(target);
    const bool printing = probe.IsPrinting();
    probe.Detach();
    if (!printing && CreateCompatibleDC(target) &&
        m_bitmap.CreateCompatibleBitmap(target, m_rect.Width(), m_rect.Height())) {
        m_old = SelectObject(m_bitmap);
        SetWindowOrg(m_rect.left, m_rect.top);
        return;
    }
    // Straight through: a printer, or no memory for the surface.
    DeleteDC();
    Attach(target);
}

BCMenuMemDC::~BCMenuMemDC()
{
    if (!m_old)
        return;
    ::BitBlt(m_target, m_rect.left, m_rect.top, m_rect.Width(), m_rect.Height(), m_hDC, m_rect.left, m_rect.top,
             SRCCOPY);
    SelectObject(m_old);
}
