// CPPToolTip: scheduling a show, the timer steps of the four states, preparing and placing the
// balloon, and painting it.
#include "htmltip/PPToolTip.h"

#include <algorithm>

#include "framework/DCGuards.h"
#include "framework/WindowDCs.h"

namespace {
// Each fade step moves the transparency this much.
constexpr int FADE_STEP = 20;
// The hot square: its side, and how far it stands in from the body's top right corner.
constexpr int HOT_SIDE = 16;
constexpr int HOT_INSET = 8;
} // namespace

void CPPToolTip::ScheduleShow(POINT point, const SPPToolInfo& tool, bool pinned, bool delayed)
{
    m_pendingShow = false;
    if (m_state == PPTOOLTIP_STATE_APPEARING || m_state == PPTOOLTIP_STATE_SHOWN)
        OnHideTimer();
    m_pinnedPending = pinned;
    m_nextTool = tool;
    m_showPoint = point;
    if (m_state != PPTOOLTIP_STATE_HIDDEN) {
        // Shown once the fade-out ends.
        m_pendingShow = true;
        m_pendingDelay = delayed;
        return;
    }
    if (delayed && m_initial)
        SetTimer(TIMER_SHOW, m_initial);
    else
        OnShowTimer();
}

void CPPToolTip::OnShowTimer()
{
    KillTimer(TIMER_SHOW);
    POINT reference = m_showPoint;
    if (!m_pinnedPending)
        ::GetCursorPos(&reference);
    if (reference.x != m_showPoint.x || reference.y != m_showPoint.y) {
        HideTooltip();
        return;
    }
    if (m_state != PPTOOLTIP_STATE_HIDDEN)
        return;
    m_tool = m_nextTool;
    m_hasTool = true;
    m_pinned = m_pinnedPending;
    m_state = PPTOOLTIP_STATE_APPEARING;
    const bool fade = m_fadeInAllowed && m_fadeInStep != 0;
    if (!PrepareAndShow(fade)) {
        m_state = PPTOOLTIP_STATE_HIDDEN;
        m_pinned = m_pinnedPending = false;
        return;
    }
    if (fade) {
        SetTimer(TIMER_FADE_IN, m_fadeInStep);
        return;
    }
    m_state = PPTOOLTIP_STATE_SHOWN;
    StartAutopop();
}

void CPPToolTip::StartAutopop()
{
    if (m_autopop && !(m_tool.behaviour & PPTOOLTIP_NO_CLOSE))
        SetTimer(TIMER_HIDE, m_autopop);
}

void CPPToolTip::HideTooltip()
{
    if (m_state == PPTOOLTIP_STATE_APPEARING)
        KillTimer(TIMER_FADE_IN);
    if (m_state == PPTOOLTIP_STATE_APPEARING || m_state == PPTOOLTIP_STATE_SHOWN)
        OnHideTimer();
}

void CPPToolTip::OnHideTimer()
{
    KillTimer(TIMER_SHOW);
    KillTimer(TIMER_FADE_IN);
    KillTimer(TIMER_HIDE);
    if (m_state == PPTOOLTIP_STATE_DISAPPEARING)
        return;
    m_state = PPTOOLTIP_STATE_DISAPPEARING;
    if (m_fadeOutAllowed && m_fadeOutStep) {
        SetTimer(TIMER_FADE_OUT, m_fadeOutStep);
        return;
    }
    m_transparencyNow = 100;
    OnFadeOutTimer();
}

void CPPToolTip::OnFadeInTimer()
{
    m_transparencyNow = m_transparencyNow < FADE_STEP + 1 ? 0 : m_transparencyNow - FADE_STEP;
    if (m_transparencyNow <= m_tool.transparency) {
        m_transparencyNow = m_tool.transparency;
        KillTimer(TIMER_FADE_IN);
        m_state = PPTOOLTIP_STATE_SHOWN;
        StartAutopop();
    }
    Repaint(m_transparencyNow);
}

void CPPToolTip::OnFadeOutTimer()
{
    m_transparencyNow = m_transparencyNow > 100 - FADE_STEP - 1 ? 100 : m_transparencyNow + FADE_STEP;
    if (m_transparencyNow < 100) {
        Repaint(m_transparencyNow);
        return;
    }
    KillTimer(TIMER_FADE_OUT);
    if (m_tool.behaviour & PPTOOLTIP_MULTIPLE_SHOW)
        m_hasTool = false;
    HideWindowNow();
    m_state = PPTOOLTIP_STATE_HIDDEN;
    if (m_pendingShow) {
        m_pendingShow = false;
        if (m_pendingDelay && m_initial)
            SetTimer(TIMER_SHOW, m_initial);
        else
            OnShowTimer();
        return;
    }
    m_pinned = m_pinnedPending = false;
}

void CPPToolTip::OnAnimationTimer()
{
    if (IsWindowVisible() && m_state == PPTOOLTIP_STATE_SHOWN && m_drawer.OnTimer())
        Repaint(m_transparencyNow);
}

void CPPToolTip::CloseAtOnce()
{
    m_state = PPTOOLTIP_STATE_HIDDEN;
    m_pinned = m_pinnedPending = false;
    m_pendingShow = false;
    for (UINT_PTR timer : {TIMER_SHOW, TIMER_HIDE, TIMER_FADE_IN, TIMER_FADE_OUT})
        KillTimer(timer);
    if (m_hWnd && IsWindowVisible()) {
        if (m_tool.behaviour & PPTOOLTIP_MULTIPLE_SHOW)
            m_hasTool = false;
        HideWindowNow();
    }
}

void CPPToolTip::HideWindowNow()
{
    if (!IsWindowVisible())
        return;
    RECT area;
    GetWindowRect(&area);
    ShowWindow(SW_HIDE);
    // The windows beneath paint what the balloon covered now, not at their next turn: a balloon
    // shown next at once takes its backdrop from the screen. Windows restores that picture by
    // itself for a CS_SAVEBITS window; Wine 8 does not, and the hidden window leaves no update
    // region until its expose events are read, so the area is invalidated here (measured).
    ::RedrawWindow(nullptr, &area, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

bool CPPToolTip::PrepareAndShow(bool fadeIn)
{
    SPPToolInfo& tool = m_tool;
    if (!(tool.mask & PPTOOL_OWN_BEHAVIOUR))
        tool.behaviour = m_behaviour;
    if (!(tool.mask & PPTOOL_OWN_EFFECT)) {
        tool.effect = m_effect;
        tool.granularity = m_granularity;
    }
    if (!(tool.mask & PPTOOL_OWN_COLOURS)) {
        tool.begin = m_begin;
        tool.middle = m_middle;
        tool.end = m_end;
    }
    if (!(tool.mask & PPTOOL_OWN_DIRECTION))
        tool.direction = m_direction;
    if (!(tool.mask & PPTOOL_OWN_TRANSPARENCY))
        tool.transparency = m_transparency;

    POINT point = m_showPoint;
    if (m_notifyWindow) {
        SPPToolTipDisplay display = {};
        display.hdr.code = PPTOOLTIP_NOTIFY_DISPLAY;
        display.toolId = tool.id;
        display.point = &point;
        display.tool = &tool;
        ::SendMessageA(m_notifyWindow, WM_NOTIFY, WPARAM(GetDlgCtrlID()), reinterpret_cast<LPARAM>(&display));
    }
    if (tool.text.IsEmpty())
        return false;

    CSize content;
    {
        CClientDC dc(m_hWnd);
        m_drawer.PrepareOutput(dc, tool.text, content);
    }
    if (content.cx <= 0 || content.cy <= 0)
        return false;
    const SBalloonRect screen = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    // A balloon larger than the screen is cut to it, and its content with it.
    const SBalloonPoint body =
        BalloonBodySize(content.cx, content.cy, m_sizes, tool.direction, screen, m_shadow.offsetX, m_shadow.offsetY);
    m_layout = PlaceBalloon(tool.direction, SBalloonPoint{point.x, point.y}, body.x, body.y, m_sizes, screen);
    const SBalloonRect& b = m_layout.body;
    m_contentRect =
        RECT{b.left + m_sizes[BALLOON_MARGIN_X], b.top + m_sizes[BALLOON_MARGIN_Y],
             b.left + m_sizes[BALLOON_MARGIN_X] + content.cx, b.top + m_sizes[BALLOON_MARGIN_Y] + content.cy};
    m_hotRect =
        RECT{b.right - HOT_INSET - HOT_SIDE, b.top + HOT_INSET, b.right - HOT_INSET, b.top + HOT_INSET + HOT_SIDE};

    CClientDC screenDc(nullptr);
    const SBalloonFill fill = {tool.effect, tool.granularity, tool.begin, tool.middle, tool.end};
    if (!m_surface.Build(screenDc, m_layout, m_sizes, fill, m_shadow, m_drawer.GetDrawManager()))
        return false;
    m_transparencyNow = fadeIn ? 100 : tool.transparency;

    const CSize size = m_surface.WindowSize();
    const int x = m_layout.window.left;
    const int y = m_layout.window.top;
    SetWindowRgn(m_surface.CreateWindowRegion(), FALSE);
    m_surface.CaptureBackdrop(screenDc, x, y);
    SetWindowPos(HWND_TOP, x, y, size.cx, size.cy, SWP_SHOWWINDOW | SWP_NOACTIVATE);
    return true;
}

void CPPToolTip::Repaint(int transparency)
{
    if (!m_hWnd)
        return;
    CClientDC dc(m_hWnd);
    Paint(dc, transparency);
}

void CPPToolTip::Paint(HDC dc, int transparency)
{
    if (!m_surface.IsBuilt())
        return;
    // The content is cut at the body's margins (a balloon cut to the screen cuts it).
    const SBalloonRect& b = m_layout.body;
    RECT clip = {b.left + m_sizes[BALLOON_MARGIN_X], b.top + m_sizes[BALLOON_MARGIN_Y],
                 b.right - m_sizes[BALLOON_MARGIN_X], b.bottom - m_sizes[BALLOON_MARGIN_Y]};
    ::IntersectRect(&clip, &clip, &m_contentRect);
    const bool border = m_borderBrush.GetSafeHandle() && m_borderWidth > 0 && m_borderHeight > 0;
    m_surface.Compose(
        dc, transparency,
        [&](HDC content) {
            {
                CSaveDCGuard saved(content);
                ::IntersectClipRect(content, clip.left, clip.top, clip.right, clip.bottom);
                m_drawer.DrawPreparedOutput(content, m_contentRect);
            }
            if (border)
                OnDrawBorder(content, m_surface.BalloonRegion());
        },
        m_drawer.GetDrawManager());
}
