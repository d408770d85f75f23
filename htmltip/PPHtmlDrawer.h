#pragma once
// CPPHtmlDrawer: a short text in a small HTML and CSS subset, measured and drawn on a device
// context: the content engine of the tooltip window. The markup, styles and layout are the
// portable core's (htmltip/portable/HtmlDrawerCore.h); this class gives it the device, opens
// links, sends the link and redraw messages and keeps the hot cursor.
//
// Text that someone else chose (a file name, an address) goes into markup only through
// htmltip::MakeLiteral (htmltip/portable/HtmlInput.h), which makes it show as it is.
//
// Owns its draw manager (the tooltip window draws through it too) and the hot cursor. User-
// interface thread only.

#include <windows.h>

#include "framework/Icon.h"
#include "framework/Size.h"
#include "framework/String.h"
#include "htmltip/PPDrawManager.h"
#include "htmltip/portable/HtmlDrawerCore.h"

class CPPHtmlDrawer {
public:
    CPPHtmlDrawer();
    virtual ~CPPHtmlDrawer();
    CPPHtmlDrawer(const CPPHtmlDrawer&) = delete;
    CPPHtmlDrawer& operator=(const CPPHtmlDrawer&) = delete;

    // Measures `html` (null: empty) on `dc` and keeps it for drawing. `size` gets the measured
    // size + 1 each way (at most the maximal width + 1 when one is set), 0 by 0 for no text.
    void PrepareOutput(HDC dc, const char* html, CSize& size);
    // Draws the kept text in `rect` of `dc`; link areas are then in `rect`'s coordinates.
    void DrawPreparedOutput(HDC dc, const RECT& rect);

    // The mouse at `point` (the drawing's coordinates): a change of the link under it sends the
    // redraw message (wParam: the new link number, -2 for none). True when the hot cursor was set
    // (over a link with a target, and a hot cursor loaded).
    bool OnSetCursor(POINT point);
    // A click at `point`: an `href` link is opened, a `msg` link sends the link message (wParam:
    // its target text, valid during the call). Links without a target do nothing.
    void OnLButtonDown(POINT point);
    // One animation step; true when a frame changed (redraw then).
    bool OnTimer();

    // Where link clicks and hover changes are sent; a null window sends nothing.
    void SetLinkMessage(HWND window, UINT message, LPARAM lParam);
    void SetRedrawMessage(HWND window, UINT message, LPARAM lParam);
    // Takes `cursor` (destroyed with the drawer or the next cursor); null loads the default one
    // again (winhlp32.exe's hand, which Wine does not have).
    void SetHyperlinkCursor(HCURSOR cursor);
    HCURSOR GetHyperlinkCursor() const { return m_hotCursor; }

    void SetMaxWidth(int width) { m_core.SetMaxWidth(width); }
    // Sizes below 1 are refused.
    void SetTabSize(int size) { (void)m_core.SetTabSize(size); }
    void SetImageShadow(int cx, int cy, int darkness = 50, bool gradient = true, int blurCx = 7, int blurCy = 7)
    {
        m_core.SetImageShadow(cx, cy, darkness, gradient, blurCx, blurCy);
    }
    // Null loads the default sheet.
    void SetCssStyles(const char* text = nullptr) { m_core.SetCssStyles(text); }
    void SetDefaultCssStyles() { m_core.SetDefaultCssStyles(); }
    void SetEnabled(bool enabled) { m_core.SetEnabled(enabled); }
    void SetDisabledColor(COLORREF colour) { m_core.SetDisabledColor(colour); }
    void SetNewLineAsBreak(bool on) { m_core.SetNewLineAsBreak(on); }
    COLORREF GetColorByName(const char* name, COLORREF fallback) const
    {
        return m_core.GetColorByName(name ? name : "", fallback);
    }

    CPPDrawManager& GetDrawManager() { return m_draw; }
    const htmltip::CHtmlDrawerCore& Core() const { return m_core; }

private:
    CPPDrawManager m_draw;
    htmltip::CHtmlDrawerCore m_core;
    CCursor m_hotCursor;
    HWND m_linkWindow = nullptr;
    UINT m_linkMessage = 0;
    LPARAM m_linkParam = 0;
    HWND m_redrawWindow = nullptr;
    UINT m_redrawMessage = 0;
    LPARAM m_redrawParam = 0;
};
