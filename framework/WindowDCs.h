#pragma once
// The device contexts of a window, each released by its destructor:
// - CPaintDC: BeginPaint/EndPaint, inside WM_PAINT only (m_ps holds the paint record);
// - CClientDC: GetDC/ReleaseDC, the client area (a null window: the screen);
// - CWindowDC: GetWindowDC/ReleaseDC, the whole window with its frame (null: the screen).
// Each takes an HWND, or any window object with GetSafeHwnd(). The window must outlive the DC.

#include <type_traits>
#include <utility>

#include <windows.h>

#include "framework/DC.h"

namespace framework_detail {
// True for pointers to objects that have GetSafeHwnd() (window objects).
template <class T, class = void>
struct HasSafeHwnd : std::false_type {};
template <class T>
struct HasSafeHwnd<T, std::void_t<decltype(std::declval<const T&>().GetSafeHwnd())>> : std::true_type {};
} // namespace framework_detail

class CPaintDC : public CDC {
public:
    explicit CPaintDC(HWND window);
    template <class Window, class = std::enable_if_t<framework_detail::HasSafeHwnd<Window>::value>>
    explicit CPaintDC(Window* window) : CPaintDC(window->GetSafeHwnd())
    {}
    ~CPaintDC() override;

    PAINTSTRUCT m_ps = {};

private:
    HWND m_window;
};

// A window's DC got by `Get` (GetDC or GetWindowDC) and released (ReleaseDC) by the destructor.
template <HDC(WINAPI* Get)(HWND)>
class CReleasedDC : public CDC {
public:
    explicit CReleasedDC(HWND window) : m_window(window) { Attach(Get(window)); }
    template <class Window, class = std::enable_if_t<framework_detail::HasSafeHwnd<Window>::value>>
    explicit CReleasedDC(Window* window) : CReleasedDC(window ? window->GetSafeHwnd() : nullptr)
    {}
    ~CReleasedDC() override
    {
        if (HDC dc = Detach())
            ::ReleaseDC(m_window, dc);
    }

private:
    HWND m_window;
};

class CClientDC : public CReleasedDC<::GetDC> {
public:
    using CReleasedDC::CReleasedDC;
};

class CWindowDC : public CReleasedDC<::GetWindowDC> {
public:
    using CReleasedDC::CReleasedDC;
};
