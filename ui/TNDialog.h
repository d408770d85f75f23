#pragma once
// CTNDialog: the base of the program's dialogs: a bold font on chosen controls, a background
// (a bitmap stretched over the client area, or a plain colour), an icon painted in the top-left
// corner, and transparent statics, check boxes, radio buttons and group boxes over the
// background. Subclasses set the members in their constructors. User-interface thread.

#include <vector>

#include <windows.h>

#include "framework/Bitmap.h"
#include "framework/Dialog.h"
#include "framework/Font.h"
#include "framework/Icon.h"

class CTNDialog : public CDialog {
public:
    explicit CTNDialog(UINT templateId, CWnd* parent = nullptr);

protected:
    BOOL OnInitDialog() override;
    bool OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

    std::vector<int> m_boldControls; // control ids that get the bold font
    CFont m_boldFont;
    UINT m_iconId = 0; // painted at (20, 15); 0 none
    CSharedIcon m_icon;
    UINT m_backgroundBitmapId = 0;   // stretched over the client area; 0 none
    COLORREF m_backgroundColour = 0; // used without a bitmap; 0 none
    CBitmap m_background;            // the bitmap at the client's size, made at initialisation

private:
    bool EraseBackground(HDC dc);
    HBRUSH ControlColour(HDC dc, HWND control);
};
