#pragma once
// CTNButton: a push button drawn from bitmaps, one per state: normal, hover (the pointer over
// it), pressed, and optionally disabled, with its caption over the picture. Dialogs subclass
// their buttons with it and call SetBitmaps at start-up. It clicks like any push button
// (BN_CLICKED); it is made owner-drawn so the control never paints its own face over the picture.
// User-interface thread.

#include <windows.h>

#include "framework/Bitmap.h"
#include "framework/Button.h"
#include "framework/Font.h"

class CTNButton : public CButton {
public:
    enum {
        kNormal = 0,
        kHover = 1,
        kPressed = 2
    };

    // Loads the bitmaps (resource ids; disabled 0 keeps any disabled bitmap loaded before),
    // sizes the window to the normal bitmap + 2 without repainting, and makes the caption's font
    // once: from `font`, or "Microsoft Sans Serif" 14 units high. False when a bitmap is missing.
    bool SetBitmaps(UINT normal, UINT hover, UINT pressed, UINT disabled = 0, const LOGFONTA* font = nullptr);
    // Where the caption starts; (0, 0) centres it.
    void SetTextOffset(int x, int y);

    int GetDrawState() const { return m_state; }

    // Draws the button as it looks now into `dc` at (0, 0).
    virtual void Paint(HDC dc);

protected:
    // Every state change, SetBitmaps included (old == new there).
    virtual void OnStateChanged(int oldState, int newState);
    bool OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    bool OnChildNotify(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

    // The picture for the current state and enablement; null when none is loaded.
    HBITMAP CurrentBitmap() const;
    // The caption in the button's font, centred or at the text offset, greyed when disabled.
    void DrawCaption(HDC dc);

    int m_state = kNormal;
    bool m_tracking = false; // a mouse-leave notification is pending
    POINT m_textOffset = {0, 0};
    CFont m_font;
    CBitmap m_bitmaps[4]; // normal, hover, pressed, disabled

private:
    void ChangeState(int state);
};
