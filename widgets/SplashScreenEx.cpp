#include "widgets/SplashScreenEx.h"

#include "framework/AppState.h"
#include "framework/DC.h"
#include "framework/DCGuards.h"
#include "framework/Icon.h"
#include "framework/RegionFromBitmap.h"
#include "framework/WindowDCs.h"
#include "framework/WndClass.h"

IMPLEMENT_DYNAMIC(CSplashScreenEx, CWnd)

namespace {

const char kClassName[] = "SplashScreenExClass";
const UINT_PTR kDisplayTimer = 1;
const UINT_PTR kLiftTimer = 2;
// Under Wine a window that takes the focus (the owner as it first shows, or a window in it) is drawn
// above every other, topmost ones included, though the window order still has the splash first:
// lifted back this often, the splash stays on top while it shows.
const DWORD kLiftMs = 50;
const DWORD kFadeInMs = 500;
const DWORD kFadeOutMs = 200;

bool IsPress(UINT msg)
{
    switch (msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_NCMBUTTONDOWN:
        return true;
    default:
        return false;
    }
}

} // namespace

CSplashScreenEx::CSplashScreenEx()
{
    m_font.CreateDefaultGuiFont();
    // Looked up by name: a system without it shows and hides the window without fading.
    HMODULE user32 = ::GetModuleHandleA("user32.dll");
    m_animateWindow = user32 ? reinterpret_cast<AnimateWindowFunction>(
                                   reinterpret_cast<void*>(::GetProcAddress(user32, "AnimateWindow")))
                             : nullptr;
}

CSplashScreenEx::~CSplashScreenEx()
{
    m_deleting = true;
    if (m_hWnd)
        ::DestroyWindow(m_hWnd);
}

bool CSplashScreenEx::Create(CWnd* parent, const char* text, DWORD displayTime, DWORD style)
{
    if (!parent || m_hWnd)
        return false;
    m_parent = parent->GetSafeHwnd();
    m_text = text ? text : "";
    m_displayTime = displayTime;
    m_style = style;

    const UINT classStyle = CS_SAVEBITS | CS_DBLCLKS;
    const HCURSOR arrow = CSharedCursor::System(IDC_ARROW);
    const HBRUSH window = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    bool registered = false;
    if (style & DropShadow)
        registered = AfxRegisterClass(kClassName, classStyle | CS_DROPSHADOW, arrow, window);
    // Systems without drop shadows refuse the class style.
    if (!registered && !AfxRegisterClass(kClassName, classStyle, arrow, window))
        return false;
    return CreateEx(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kClassName, kClassName, WS_POPUP, 0, 0, 0, 0, m_parent, nullptr);
}

bool CSplashScreenEx::SetBitmap(UINT resourceId, short red, short green, short blue)
{
    m_bitmap.DeleteObject();
    if (!m_bitmap.LoadBitmap(resourceId))
        return false;
    const CSize size = m_bitmap.GetSize();
    m_bitmapWidth = size.cx;
    m_bitmapHeight = size.cy;
    m_textRect.SetRect(0, 0, size.cx, size.cy);

    if (m_style & CentreOnScreen) {
        m_x = (::GetSystemMetrics(SM_CXFULLSCREEN) - size.cx) / 2;
        m_y = (::GetSystemMetrics(SM_CYFULLSCREEN) - size.cy) / 2;
    } else if ((m_style & CentreOnParent) && m_parent) {
        CRect parent;
        ::GetWindowRect(m_parent, parent);
        m_x = parent.left + (parent.Width() - size.cx) / 2;
        m_y = parent.top + (parent.Height() - size.cy) / 2;
    }

    m_region.DeleteObject();
    if (red != -1 && green != -1 && blue != -1) {
        m_region.Attach(RegionFromBitmapMask(m_bitmap, RGB(red, green, blue)));
        ApplyRegion();
    }
    return true;
}

void CSplashScreenEx::ApplyRegion()
{
    if (m_hWnd && m_region.GetSafeHandle() && SetWindowRgn(static_cast<HRGN>(m_region.GetSafeHandle()), TRUE))
        m_region.Detach(); // the window's now
}

void CSplashScreenEx::Show()
{
    if (!m_hWnd)
        return;
    ApplyRegion();
    SetWindowPos(nullptr, m_x, m_y, m_bitmapWidth, m_bitmapHeight, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
    if ((m_style & FadeIn) && m_animateWindow)
        m_animateWindow(m_hWnd, kFadeInMs, AW_BLEND);
    else
        ShowWindow(SW_SHOW);
    if (m_displayTime)
        m_timer = SetTimer(kDisplayTimer, m_displayTime);
    SetTimer(kLiftTimer, kLiftMs);
}

void CSplashScreenEx::Lift()
{
    // A move to the top it already holds never reaches the display; one through HWND_NOTOPMOST
    // does (Wine keeps it topmost; Windows needs the second call).
    const UINT flags = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOOWNERZORDER;
    SetWindowPos(HWND_NOTOPMOST, 0, 0, 0, 0, flags);
    SetWindowPos(HWND_TOPMOST, 0, 0, 0, 0, flags);
}

void CSplashScreenEx::Hide()
{
    if (!m_hWnd)
        return;
    if ((m_style & FadeOut) && m_animateWindow)
        m_animateWindow(m_hWnd, kFadeOutMs, AW_BLEND | AW_HIDE);
    else
        ShowWindow(SW_HIDE);
    DestroyWindow(); // deletes this object (PostNcDestroy)
}

BOOL CSplashScreenEx::PreTranslateMessage(MSG* msg)
{
    if ((m_style & HideOnPress) && msg->hwnd == m_hWnd && IsPress(msg->message)) {
        Hide();
        return TRUE;
    }
    return CWnd::PreTranslateMessage(msg);
}

void CSplashScreenEx::Draw(HDC target)
{
    CDC dc;
    dc.Attach(target);
    if (m_bitmap.GetSafeHandle()) {
        CDC source;
        source.CreateCompatibleDC(target);
        CSelectGuard selected(source, m_bitmap);
        dc.BitBlt(0, 0, m_bitmapWidth, m_bitmapHeight, source, 0, 0, SRCCOPY);
    }
    if (!m_text.IsEmpty()) {
        CSaveDCGuard saved(dc);
        CSelectGuard font(dc, m_font);
        dc.SetBkMode(TRANSPARENT);
        dc.SetTextColor(m_textColour);
        CRect text(m_textRect);
        dc.DrawText(m_text, -1, text, m_textFormat);
    }
    dc.Detach();
}

bool CSplashScreenEx::OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    switch (msg) {
    case WM_ERASEBKGND:
        *result = TRUE; // the bitmap covers the whole window
        return true;
    case WM_PAINT: {
        CPaintDC dc(m_hWnd);
        Draw(dc);
        *result = 0;
        return true;
    }
    case WM_PRINTCLIENT:
        Draw(reinterpret_cast<HDC>(wParam));
        *result = 0;
        return true;
    case WM_TIMER:
        if (wParam == kLiftTimer) {
            Lift();
            *result = 0;
            return true;
        }
        if (wParam != kDisplayTimer)
            break;
        KillTimer(kDisplayTimer);
        m_timer = 0;
        Hide();
        *result = 0;
        return true;
    default:
        break;
    }
    return CWnd::OnWndMsg(msg, wParam, lParam, result);
}

void CSplashScreenEx::PostNcDestroy()
{
    if (!m_deleting)
        delete this;
}
