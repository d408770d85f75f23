// The draw manager's work in one window: the sixteen fill effects, frames and lines in each
// style, and a masked bitmap, an icon and a strip frame with their effects and shadows.

#include "gallery_items.h"

#include "framework/AppState.h"
#include "framework/Bitmap.h"
#include "framework/Icon.h"
#include "framework/WindowDCs.h"
#include "gallery_ids.h"
#include "htmltip/PPDrawManager.h"
#include "test_art_ids.h"

namespace {

const COLORREF kPaper = RGB(250, 250, 245);
const COLORREF kShadow = RGB(128, 128, 128);

void Label(HDC dc, int x, int y, const char* text)
{
    ::SetBkMode(dc, TRANSPARENT);
    ::TextOutA(dc, x, y, text, lstrlenA(text));
}

void PaintFills(HDC dc, const RECT& client)
{
    CPPDrawManager draw;
    draw.FillEffect(dc, FILL_EFFECT_SOLID, client, kPaper);

    // Fill effects -1..15 in four rows, begin blue, middle white, end orange.
    for (int effect = -1; effect <= 15; ++effect) {
        const int i = effect + 1;
        const int x = 16 + (i % 6) * 120;
        const int y = 16 + (i / 6) * 84;
        char name[16];
        wsprintfA(name, "effect %d", effect);
        Label(dc, x, y, name);
        draw.FillEffect(dc, effect, RECT{x, y + 18, x + 104, y + 74}, RGB(40, 90, 200), RGB(255, 255, 255),
                        RGB(250, 160, 40), 10, 5);
    }

    // Frames: styles 1 to 6 at width 1 and 3, raised colours; lines in each style.
    const int fy = 276;
    Label(dc, 16, fy, "frames, styles 1-6, widths 1 and 3; lines");
    for (int style = 1; style <= 6; ++style) {
        const int x = 16 + (style - 1) * 60;
        draw.DrawRectangle(dc, x, fy + 20, x + 50, fy + 60, RGB(255, 255, 255), RGB(60, 60, 60), style, 1);
        draw.DrawRectangle(dc, x, fy + 66, x + 50, fy + 106, RGB(40, 90, 200), RGB(200, 40, 40), style, 3);
        draw.DrawLine(dc, x, fy + 118, x + 50, fy + 118, RGB(0, 0, 0), style, 1);
    }

    // Images: the face masked (magenta) with no effect, gray, darker, lighter, colour, invert,
    // plain and soft shadows; the icon likewise; a strip's frames.
    const int iy = 420;
    Label(dc, 16, iy, "bitmap: plain, gray, darker, lighter, colour, invert, shadow, soft shadow; icon; strip");
    CBitmap face;
    face.LoadBitmap(IDB_GALLERY_FACE);
    CIcon icon;
    icon.Load(IDI_TEST_ART, 32, 32);
    const DWORD effects[] = {0,
                             IMAGE_EFFECT_GRAY,
                             IMAGE_EFFECT_DARKEN,
                             IMAGE_EFFECT_LIGHTEN,
                             IMAGE_EFFECT_COLOUR,
                             IMAGE_EFFECT_INVERT,
                             IMAGE_EFFECT_SHADOW,
                             IMAGE_EFFECT_GRADIENT_SHADOW};
    for (int i = 0; i < 8; ++i) {
        const int x = 16 + i * 48;
        const bool shadow = (effects[i] & (IMAGE_EFFECT_SHADOW | IMAGE_EFFECT_GRADIENT_SHADOW)) != 0;
        draw.DrawImage(dc, x, iy + 20, 32, 32, face, true, RGB(255, 0, 255), effects[i], shadow, 4, 4, 7, 7,
                       effects[i] == IMAGE_EFFECT_COLOUR ? RGB(40, 90, 200) : kShadow);
        draw.DrawIcon(dc, x, iy + 62, 32, 32, icon, effects[i], shadow, 4, 4, 7, 7,
                      effects[i] == IMAGE_EFFECT_COLOUR ? RGB(40, 90, 200) : kShadow);
    }
    CBitmap strip;
    strip.LoadBitmap(IDB_GALLERY_STRIP);
    for (int frame = 0; frame < 4; ++frame)
        draw.DrawImageListFrame(dc, 420 + frame * 40, iy + 20, 32, 32, strip, frame, 16, 16, true, RGB(255, 0, 255));
}

LRESULT CALLBACK FillsProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_PAINT) {
        CPaintDC dc(window);
        RECT client;
        ::GetClientRect(window, &client);
        PaintFills(dc, client);
        return 0;
    }
    return ::DefWindowProcA(window, msg, wParam, lParam);
}

} // namespace

HWND MakeFillsWindow()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = FillsProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = "TarnixHtmltipFills";
    ::RegisterClassA(&wc);
    return ::CreateWindowExA(0, wc.lpszClassName, "Drawing effects", WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE, 20, 20,
                             760, 580, nullptr, nullptr, wc.hInstance, nullptr);
}
