#pragma once
// CStatusLine: a one-line, link-like strip that the transfer list shows over its first row: its
// text ends 20 pixels from the right edge, in the highlight colour on pale yellow, underlined
// once the pointer has moved over it. It is a "Static" window, so the pointer's messages go to
// the list below it; the list forwards mouse moves and handles clicks. User-interface thread.

#include <windows.h>

#include "framework/Font.h"
#include "framework/Icon.h"
#include "framework/String.h"
#include "framework/Wnd.h"

class CStatusLine : public CWnd {
public:
    // False when the window could not be made.
    bool Create(const RECT& rect, HWND parent, DWORD style, UINT id);

    void SetText(const char* text);
    const CString& GetText() const { return m_text; }
    // The next mouse move underlines the text again; until then it is plain. The list calls it
    // when the pointer leaves, so the underline shows while the pointer is over the strip.
    void Rearm();

    // Draws the strip into `dc` over the client rectangle.
    void Paint(HDC dc);

protected:
    bool OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

private:
    CString m_text = "Test";
    CFont m_underlined; // made on first use from the default GUI font
    POINT m_recorded = {-1, -1};
    bool m_armed = true;
    CSharedCursor m_hand;
};
