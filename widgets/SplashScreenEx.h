#pragma once
// CSplashScreenEx: a bitmap in a borderless, topmost tool window cut to the bitmap by a colour
// key, shown for a while (optionally fading in and out), then gone.
//
// Lives on the heap and deletes itself once its window is destroyed (by Hide, its timer, a press
// with HideOnPress, or its owner going away). Deleting it while its window lives destroys the
// window first. User-interface thread.

#include <windows.h>

#include "framework/Bitmap.h"
#include "framework/Font.h"
#include "framework/Rect.h"
#include "framework/Rgn.h"
#include "framework/String.h"
#include "framework/Wnd.h"

class CSplashScreenEx : public CWnd {
    DECLARE_DYNAMIC(CSplashScreenEx)

public:
    // Style bits of Create.
    enum : DWORD {
        FadeIn = 1,
        FadeOut = 2,
        DropShadow = 4,
        CentreOnScreen = 8,
        CentreOnParent = 16,
        HideOnPress = 32, // a key or mouse press on the window hides it at once
    };

    CSplashScreenEx();
    ~CSplashScreenEx() override;

    // A hidden window owned by `parent` (required: false without one). displayTime in
    // milliseconds, 0 = until hidden. False when the class or the window cannot be made.
    bool Create(CWnd* parent, const char* text = nullptr, DWORD displayTime = 2000,
                DWORD style = FadeIn | FadeOut | DropShadow | CentreOnScreen);
    // Loads bitmap resource `resourceId`, sizes and places the window for it and, when none of
    // red, green and blue is -1, cuts away the pixels of that colour. False when it is missing.
    bool SetBitmap(UINT resourceId, short red = -1, short green = -1, short blue = -1);
    // Shows the window at its place without activating it; the display time starts. While it
    // shows it lifts itself back on top every 50 ms, as Wine draws a window that takes the focus
    // over it.
    void Show();
    // Hides and destroys the window; the object is deleted with it, so nothing may touch it
    // after this call.
    void Hide();

    BOOL PreTranslateMessage(MSG* msg) override;

protected:
    bool OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    void PostNcDestroy() override;

private:
    using AnimateWindowFunction = BOOL(WINAPI*)(HWND, DWORD, DWORD);

    void Draw(HDC dc);
    void ApplyRegion();
    void Lift(); // back above every window on the screen

    CBitmap m_bitmap;
    CFont m_font;                          // a copy of DEFAULT_GUI_FONT
    AnimateWindowFunction m_animateWindow; // null where user32 has none
    HWND m_parent = nullptr;               // the owner, for centring on it
    CString m_text;
    CRect m_textRect;
    UINT m_textFormat = DT_CENTER | DT_VCENTER | DT_WORDBREAK;
    COLORREF m_textColour = RGB(0, 0, 0);
    DWORD m_displayTime = 2000;
    DWORD m_style = 0;
    CRgn m_region; // until the window takes it over (SetWindowRgn)
    int m_bitmapWidth = 0;
    int m_bitmapHeight = 0;
    int m_x = 0;
    int m_y = 0;
    UINT_PTR m_timer = 0;
    bool m_deleting = false; // the destructor runs: PostNcDestroy must not delete again
};
