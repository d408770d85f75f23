#pragma once
// Scope guards for device-context state.
//
// CSelectGuard selects one GDI object into a DC and puts the previous one back when it ends.
// Declare it after the object it selects, so the object is never deleted while selected:
//     CFont font; font.CreateFont(...);
//     CSelectGuard selected(dc, font);
// Not for regions: select a clipping region with SelectClipRgn.
// CSaveDCGuard saves the whole DC state (SaveDC) and restores it when it ends (RestoreDC).

#include <windows.h>

class CSelectGuard {
public:
    CSelectGuard(HDC dc, HGDIOBJ object) : m_dc(dc), m_old(dc && object ? ::SelectObject(dc, object) : nullptr) {}
    ~CSelectGuard()
    {
        if (m_old && m_old != HGDI_ERROR)
            ::SelectObject(m_dc, m_old);
    }
    CSelectGuard(const CSelectGuard&) = delete;
    CSelectGuard& operator=(const CSelectGuard&) = delete;

    // False when the object could not be selected (a null object or DC, or a failed call).
    bool IsSelected() const { return m_old && m_old != HGDI_ERROR; }
    HGDIOBJ Old() const { return m_old; }

private:
    HDC m_dc;
    HGDIOBJ m_old;
};

class CSaveDCGuard {
public:
    explicit CSaveDCGuard(HDC dc) : m_dc(dc), m_saved(dc ? ::SaveDC(dc) : 0) {}
    ~CSaveDCGuard()
    {
        if (m_saved)
            ::RestoreDC(m_dc, m_saved);
    }
    CSaveDCGuard(const CSaveDCGuard&) = delete;
    CSaveDCGuard& operator=(const CSaveDCGuard&) = delete;

    bool IsSaved() const { return m_saved != 0; }

private:
    HDC m_dc;
    int m_saved;
};
