// CPPToolTip: construction, settings, relayed messages and the window's own messages. Showing,
// hiding and painting are in PPToolTipShow.cpp.
#include "htmltip/PPToolTip.h"

#include <string>

#include "framework/AppState.h"
#include "framework/MessageCrackers.h"
#include "framework/ResourceException.h"
#include "framework/WindowDCs.h"
#include "framework/WndClass.h"
#include "htmltip/res/htmltip_ids.h"

namespace {
const char CLASS_NAME[] = "CPPToolTip";
// The balloon's and the plain rectangle's size parameters (EBalloonSize).
const int BALLOON_SIZES[BALLOON_SIZE_COUNT] = {16, 16, 12, 12, 12, 16, 16, 0, 0};
const int RECTANGLE_SIZES[BALLOON_SIZE_COUNT] = {0, 0, 3, 1, 0, 0, 0, 0, 0};

// Registered once: the owner learns of clicks on the balloon that hit no hot square.
UINT ClientAreaMessage()
{
    static const UINT message = ::RegisterWindowMessageA("WM_TOOLTIP_CLIENT_AREA");
    return message;
}

bool SameMessage(const MSG& a, const MSG& b)
{
    return a.hwnd == b.hwnd && a.message == b.message && a.wParam == b.wParam && a.lParam == b.lParam &&
           a.time == b.time && a.pt.x == b.pt.x && a.pt.y == b.pt.y;
}

// Where a mouse message happened, on the screen.
POINT ScreenPointOf(const MSG& msg)
{
    POINT point = PointFromLParam(msg.lParam);
    if (msg.message >= WM_NCMOUSEMOVE && msg.message <= WM_NCMBUTTONDBLCLK)
        return point; // already on the screen
    ::ClientToScreen(msg.hwnd, &point);
    return point;
}
} // namespace

CPPToolTip::CPPToolTip()
{
    m_begin = m_middle = m_end = ::GetSysColor(COLOR_INFOBK);
    m_borderBrush.CreateSolidBrush(::GetSysColor(COLOR_INFOTEXT));
    SetDefaultSizes(true);
    if (!AfxRegisterClass(CLASS_NAME, CS_SAVEBITS, ::LoadCursor(nullptr, IDC_ARROW), nullptr, &::DefWindowProcA))
        throw CResourceException();
    ClientAreaMessage();
}

CPPToolTip::~CPPToolTip()
{
    if (m_hWnd)
        DestroyWindow();
}

bool CPPToolTip::Create(HWND parent, bool balloon)
{
    if (!CreateEx(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, CLASS_NAME, "", WS_POPUP, 0, 0, 0, 0, parent, nullptr))
        return false;
    SetDefaultSizes(balloon);
    m_drawer.SetRedrawMessage(m_hWnd, PPTOOLTIP_REDRAW, 0);
    m_animationPeriod = 100;
    SetTimer(TIMER_ANIMATION, m_animationPeriod);
    return true;
}

bool CPPToolTip::DestroyWindow()
{
    if (!m_hWnd)
        return false;
    CloseAtOnce();
    KillTimer(TIMER_ANIMATION);
    m_surface.Free();
    return CWnd::DestroyWindow();
}

void CPPToolTip::SetLinkMessage(HWND window, UINT message, LPARAM lParam)
{
    m_linkParam = lParam;
    m_drawer.SetLinkMessage(window, message, lParam);
}

void CPPToolTip::SetClickCommand(UINT id, bool hotArea)
{
    m_clickCommand = id;
    m_hotArea = hotArea;
}

void CPPToolTip::SetSize(int index, int value)
{
    if (index >= 0 && index < BALLOON_SIZE_COUNT)
        m_sizes[index] = value;
}

int CPPToolTip::GetSize(int index) const
{
    return index >= 0 && index < BALLOON_SIZE_COUNT ? m_sizes[index] : 0;
}

void CPPToolTip::SetDefaultSizes(bool balloon)
{
    const int* sizes = balloon ? BALLOON_SIZES : RECTANGLE_SIZES;
    for (int i = 0; i < BALLOON_SIZE_COUNT; ++i)
        m_sizes[i] = sizes[i];
}

void CPPToolTip::SetColorBk(COLORREF colour)
{
    m_begin = m_middle = m_end = colour;
}

void CPPToolTip::SetDelayTime(int type, UINT milliseconds)
{
    switch (type) {
    case PPTOOLTIP_DELAY_AUTOPOP:
        m_autopop = milliseconds;
        break;
    case PPTOOLTIP_DELAY_INITIAL:
        m_initial = milliseconds;
        break;
    case PPTOOLTIP_DELAY_FADE_IN:
        m_fadeInStep = milliseconds;
        break;
    case PPTOOLTIP_DELAY_FADE_OUT:
        m_fadeOutStep = milliseconds;
        break;
    case PPTOOLTIP_DELAY_ANIMATION:
        m_animationPeriod = milliseconds;
        if (m_hWnd) {
            KillTimer(TIMER_ANIMATION);
            if (milliseconds)
                SetTimer(TIMER_ANIMATION, milliseconds);
        }
        break;
    default:
        break;
    }
}

void CPPToolTip::SetBorder(COLORREF colour, int width, int height)
{
    m_borderBrush.DeleteObject();
    m_borderBrush.CreateSolidBrush(colour);
    m_borderWidth = width;
    m_borderHeight = height;
}

void CPPToolTip::ShowHelpTooltip(POINT point, const char* text, HICON icon)
{
    SPPToolInfo tool;
    if (icon) {
        // Icon handles keep to 32 bits on 64-bit Windows too.
        char head[64];
        std::snprintf(head, sizeof head, "<table><tr><td><icon handle=0x%X></td><td>",
                      static_cast<unsigned>(reinterpret_cast<UINT_PTR>(icon)));
        tool.text = std::string(head) + (text ? text : "") + "</td></tr></table>";
    } else {
        tool.text = text;
    }
    tool.mask = PPTOOL_OWN_BEHAVIOUR;
    tool.behaviour = m_behaviour | PPTOOLTIP_NO_CLOSE;
    ScheduleShow(point, tool, true, false);
}

void CPPToolTip::OnDrawBorder(HDC dc, HRGN region)
{
    ::FrameRgn(dc, region, m_borderBrush, m_borderWidth, m_borderHeight);
}

BOOL CPPToolTip::PreTranslateMessage(MSG* msg)
{
    RelayEvent(msg);
    return CWnd::PreTranslateMessage(msg);
}

void CPPToolTip::RelayEvent(const MSG* msg)
{
    if (!m_hWnd || !msg)
        return;
    // The owner relays every message of its thread and this window its own, so a message to
    // the balloon comes twice: a link click must not act twice.
    if (SameMessage(*msg, m_lastRelayed))
        return;
    m_lastRelayed = *msg;
    switch (msg->message) {
    case WM_MOUSEMOVE: {
        if (m_pinned || m_pinnedPending)
            return;
        const POINT point = ScreenPointOf(*msg);
        if (point.x == m_lastMovePoint.x && point.y == m_lastMovePoint.y)
            return;
        m_lastMovePoint = point;
        // No tool is ever registered over a window or a rectangle: the cursor is over none.
        m_hasTool = false;
        KillTimer(TIMER_SHOW);
        HideTooltip();
        return;
    }
    case WM_LBUTTONDOWN: {
        if (!IsWindowVisible())
            return;
        POINT point = ScreenPointOf(*msg);
        RECT window;
        GetWindowRect(&window);
        if (!::PtInRect(&window, point))
            return;
        ScreenToClient(&point);
        m_drawer.OnLButtonDown(point);
        return;
    }
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
    case WM_MOUSEWHEEL:
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONDBLCLK:
    case WM_NCRBUTTONDOWN:
    case WM_NCRBUTTONDBLCLK:
    case WM_NCMBUTTONDOWN:
    case WM_NCMBUTTONDBLCLK:
        CloseAtOnce();
        return;
    default:
        return;
    }
}

bool CPPToolTip::OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    switch (msg) {
    case WM_PAINT: {
        CPaintDC dc(m_hWnd);
        Paint(dc, m_transparencyNow);
        *result = 0;
        return true;
    }
    case WM_TIMER:
        switch (wParam) {
        case TIMER_SHOW:
            OnShowTimer();
            break;
        case TIMER_HIDE:
            OnHideTimer();
            break;
        case TIMER_FADE_IN:
            OnFadeInTimer();
            break;
        case TIMER_FADE_OUT:
            OnFadeOutTimer();
            break;
        case TIMER_ANIMATION:
            OnAnimationTimer();
            break;
        default:
            return CWnd::OnWndMsg(msg, wParam, lParam, result);
        }
        *result = 0;
        return true;
    case WM_SETCURSOR:
        OnSetCursor();
        *result = TRUE;
        return true;
    case WM_LBUTTONDOWN:
        if (OnLButtonDown(PointFromLParam(lParam))) {
            *result = 0;
            return true;
        }
        break;
    case WM_ACTIVATEAPP:
        OnActivateApp(wParam != FALSE);
        break;
    case PPTOOLTIP_REDRAW:
        // A link under the cursor changed: drawn opaque.
        if (m_redrawOnHover && IsWindowVisible())
            Repaint(0);
        *result = 0;
        return true;
    default:
        break;
    }
    return CWnd::OnWndMsg(msg, wParam, lParam, result);
}

bool CPPToolTip::OnSetCursor()
{
    POINT point;
    ::GetCursorPos(&point);
    ScreenToClient(&point);
    if (m_hotArea && ::PtInRect(&m_hotRect, point)) {
        HCURSOR hot = ::LoadCursorA(AfxGetResourceHandle(), MAKEINTRESOURCEA(IDC_HTMLTIP_HOT_AREA));
        ::SetCursor(hot ? hot : ::LoadCursor(nullptr, IDC_ARROW));
        return true;
    }
    if (!m_drawer.OnSetCursor(point))
        ::SetCursor(::LoadCursor(nullptr, IDC_ARROW));
    return true;
}

bool CPPToolTip::OnLButtonDown(POINT client)
{
    if (!m_notifyWindow)
        return false;
    if (m_hotArea && ::PtInRect(&m_hotRect, client)) {
        ::SendMessageA(m_notifyWindow, WM_COMMAND, MAKEWPARAM(m_clickCommand, LOWORD(m_linkParam)), 0);
        return true;
    }
    return ::SendMessageA(m_notifyWindow, ClientAreaMessage(), 0, m_linkParam) == 1;
}

void CPPToolTip::OnActivateApp(bool active)
{
    if (!active && !(m_behaviour & PPTOOLTIP_NO_CLOSE))
        CloseAtOnce();
}
