#pragma once
// CPPToolTip: a top-level popup that shows one HTML text (drawn by CPPHtmlDrawer) in a rounded
// balloon with a pointer, a soft drop shadow and an optional fade, at a given screen point. The
// main window owns one for its notification balloons: it relays the messages of its thread
// through RelayEvent, shows texts with ShowHelpTooltip and hides them with HideTooltip.
//
// The window is of the class "CPPToolTip" (DefWindowProc, no background brush), attached to this
// object at creation. States: hidden, appearing (fading in), shown, disappearing (fading out),
// driven by window timers 256-260. Without a fade (the default delays) a show is opaque at once.
//
// Messages to the notify window: WM_NOTIFY (code PPTOOLTIP_NOTIFY_DISPLAY) before each show,
// with an SPPToolTipDisplay whose tool record the receiver may change; a left click in the hot
// square sends WM_COMMAND (click command id, high word the low word of the link lParam); any
// other left click on the balloon sends the registered "WM_TOOLTIP_CLIENT_AREA" (0, link lParam)
// and gets the default handling unless the answer is 1.
//
// User-interface thread only. Owns its drawer, border brush, bitmaps and region; the notify and
// link windows are the caller's and must outlive their use.

#include <windows.h>

#include "framework/Brush.h"
#include "framework/String.h"
#include "framework/Wnd.h"
#include "htmltip/BalloonSurface.h"
#include "htmltip/PPHtmlDrawer.h"
#include "htmltip/portable/BalloonGeometry.h"

// The tool record: what is shown. Settings whose bit is not in `mask` come from the window's
// defaults when the tool is shown.
struct SPPToolInfo {
    HWND id = nullptr; // a window handle, or 0
    RECT rect = {};
    CString text;       // HTML
    UINT mask = 0;      // PPTOOL_OWN_*
    UINT behaviour = 0; // PPTOOLTIP_*
    int direction = BALLOON_ABOVE;
    int effect = 0; // EFillEffect
    BYTE granularity = 0;
    BYTE transparency = 0; // 0 opaque .. 100 invisible
    COLORREF begin = 0;
    COLORREF middle = 0;
    COLORREF end = 0;
};

enum EPPToolMask : UINT {
    PPTOOL_OWN_EFFECT = 0x2,
    PPTOOL_OWN_COLOURS = 0x4,
    PPTOOL_OWN_DIRECTION = 0x8,
    PPTOOL_OWN_BEHAVIOUR = 0x10,
    PPTOOL_OWN_TRANSPARENCY = 0x20,
};

enum EPPToolBehaviour : UINT {
    PPTOOLTIP_MULTIPLE_SHOW = 0x1,    // show the same tool again on every mouse move
    PPTOOLTIP_TRACKING_MOUSE = 0x2,   // follow the cursor
    PPTOOLTIP_RESTART_ON_MOVE = 0x4,  // restart the autopop on moves over the same tool
    PPTOOLTIP_RESTART_OVER_TIP = 0x8, // restart it while the cursor is over the tooltip
    PPTOOLTIP_NO_CLOSE = 0x10,        // no autopop; as a default, stays when the program is left
};

enum EPPToolTipDelay {
    PPTOOLTIP_DELAY_AUTOPOP = 2,
    PPTOOLTIP_DELAY_INITIAL = 3,
    PPTOOLTIP_DELAY_FADE_IN = 4,
    PPTOOLTIP_DELAY_FADE_OUT = 5,
    PPTOOLTIP_DELAY_ANIMATION = 6,
};

enum EPPToolTipState {
    PPTOOLTIP_STATE_HIDDEN = 0,
    PPTOOLTIP_STATE_APPEARING = 1,
    PPTOOLTIP_STATE_SHOWN = 2,
    PPTOOLTIP_STATE_DISAPPEARING = 3,
};

// WM_NOTIFY code sent before each show, and the drawer's redraw message to the window.
constexpr UINT PPTOOLTIP_NOTIFY_DISPLAY = WM_USER + 100;
constexpr UINT PPTOOLTIP_REDRAW = WM_USER + 101;

// The record WM_NOTIFY points to before a show (all pointers valid during the call only).
struct SPPToolTipDisplay {
    NMHDR hdr; // window 0, id 0, code PPTOOLTIP_NOTIFY_DISPLAY
    HWND toolId;
    POINT* point;
    SPPToolInfo* tool;
};

class CPPToolTip : public CWnd {
public:
    // Timer ids.
    static constexpr UINT_PTR TIMER_SHOW = 256;
    static constexpr UINT_PTR TIMER_HIDE = 257;
    static constexpr UINT_PTR TIMER_FADE_IN = 258;
    static constexpr UINT_PTR TIMER_FADE_OUT = 259;
    static constexpr UINT_PTR TIMER_ANIMATION = 260;

    // Registers the window class when the module has none of that name; throws
    // CResourceException when it cannot.
    CPPToolTip();
    ~CPPToolTip() override;

    // The window, owned by `parent`, of zero size; balloon or rectangle sizes; the animation
    // timer runs every 100 ms. False when the window cannot be made.
    bool Create(HWND parent, bool balloon = true);
    // Hides at once, stops the animation and destroys the window.
    bool DestroyWindow() override;

    // Every message of the owner's thread, from its PreTranslateMessage (and the tooltip's own,
    // from its own): acts once per message, however many objects relay it.
    void RelayEvent(const MSG* msg);

    // Shows `text` (HTML) at the screen point at once, pinned there, until a click, a key or
    // HideTooltip. With an icon the text stands in a table beside it.
    void ShowHelpTooltip(POINT point, const char* text, HICON icon = nullptr);
    // Starts hiding a shown or appearing tooltip.
    void HideTooltip();

    // `<a msg=...>` clicks go to (window, message, wParam = target text, lParam); the lParam
    // also goes with the click messages to the notify window.
    void SetLinkMessage(HWND window, UINT message, LPARAM lParam);
    void SetNotifyWindow(HWND window) { m_notifyWindow = window; }
    // A click in the hot square (16 x 16 in the body's top right corner) sends this command.
    void SetClickCommand(UINT id, bool hotArea);
    // One of the nine size parameters (EBalloonSize); an index of 9 or more is ignored.
    void SetSize(int index, int value);
    int GetSize(int index) const;
    // All nine: the balloon's (corner 16, margins 12, pointer 12 x 16 at 16) or the rectangle's.
    void SetDefaultSizes(bool balloon);
    // All three background colours.
    void SetColorBk(COLORREF colour);
    void SetBehaviour(UINT behaviour) { m_behaviour = behaviour; }
    // PPTOOLTIP_DELAY_*; the animation period restarts its timer (0 stops it).
    void SetDelayTime(int type, UINT milliseconds);
    // A null brush or a zero size leaves no border.
    void SetBorder(COLORREF colour, int width = 1, int height = 1);
    void SetDirection(int direction) { m_direction = direction; }

    int GetState() const { return m_state; }
    int GetTransparency() const { return m_transparencyNow; }
    // Where the last show put the balloon (window coordinates, as built).
    const SBalloonLayout& GetLayout() const { return m_layout; }
    CPPHtmlDrawer& GetDrawer() { return m_drawer; }

    BOOL PreTranslateMessage(MSG* msg) override;

    // Frames the balloon's region with the border brush and sizes (called while painting when
    // a border is set).
    virtual void OnDrawBorder(HDC dc, HRGN region);

protected:
    bool OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

private:
    // Shows and hides.
    void ScheduleShow(POINT point, const SPPToolInfo& tool, bool pinned, bool delayed);
    void OnShowTimer();
    void OnHideTimer();
    void OnFadeInTimer();
    void OnFadeOutTimer();
    void OnAnimationTimer();
    void StartAutopop();
    void CloseAtOnce();
    void HideWindowNow();
    bool PrepareAndShow(bool fadeIn);

    // Painting.
    void Repaint(int transparency);
    void Paint(HDC dc, int transparency);

    // Messages.
    bool OnSetCursor();
    bool OnLButtonDown(POINT client);
    void OnActivateApp(bool active);

    CPPHtmlDrawer m_drawer;
    CBalloonSurface m_surface;
    SBalloonLayout m_layout = {};
    RECT m_contentRect = {};
    RECT m_hotRect = {};

    SPPToolInfo m_tool;     // shown or being shown
    SPPToolInfo m_nextTool; // scheduled
    bool m_hasTool = false;

    // Window defaults.
    COLORREF m_begin;
    COLORREF m_middle;
    COLORREF m_end;
    int m_effect = 0;
    BYTE m_granularity = 0;
    CBrush m_borderBrush;
    int m_borderWidth = 1;
    int m_borderHeight = 1;
    int m_direction = BALLOON_ABOVE;
    UINT m_behaviour = 0;
    BYTE m_transparency = 0;
    UINT m_autopop = 5000;
    UINT m_initial = 500;
    UINT m_fadeInStep = 0;
    UINT m_fadeOutStep = 0;
    UINT m_animationPeriod = 100;
    bool m_fadeInAllowed = true;
    bool m_fadeOutAllowed = true;
    int m_sizes[BALLOON_SIZE_COUNT] = {};
    SBalloonShadow m_shadow = {6, 6, 50, true, 7, 7};
    HWND m_notifyWindow = nullptr;
    UINT m_clickCommand = 0;
    bool m_hotArea = false;
    bool m_redrawOnHover = true;
    LPARAM m_linkParam = 0;

    // Now.
    int m_state = PPTOOLTIP_STATE_HIDDEN;
    int m_transparencyNow = 0;
    bool m_pinned = false;        // the current show is pinned to its point
    bool m_pinnedPending = false; // the scheduled one is
    bool m_pendingShow = false;
    bool m_pendingDelay = false;
    POINT m_showPoint = {}; // where the scheduled show was asked for
    POINT m_lastMovePoint = {-1, -1};
    MSG m_lastRelayed = {}; // the message RelayEvent acted on last
};
