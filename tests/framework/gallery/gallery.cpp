// Shows the framework's drawing classes and a framework dialog at work, one item at a time, for
// the screenshot step (tests/support/window/screenshots.sh). Run by hand, it shows each item for
// a moment.

#include <windows.h>

#include "dialog_items.h"
#include "window/Gallery.h"
#include "framework/Bitmap.h"
#include "framework/Brush.h"
#include "framework/DCGuards.h"
#include "framework/Font.h"
#include "framework/Icon.h"
#include "framework/ImageList.h"
#include "framework/MemoryDC.h"
#include "framework/Pen.h"
#include "framework/Rgn.h"
#include "framework/WindowDCs.h"
#include "test_art_ids.h"

using windowtest::CGallery;

namespace {

using PaintFunction = void (*)(CDC& dc, const CRect& client);

LRESULT CALLBACK GalleryProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_PAINT) {
        auto paint = reinterpret_cast<PaintFunction>(GetWindowLongPtrA(window, GWLP_USERDATA));
        CPaintDC dc(window);
        CRect client;
        GetClientRect(window, client);
        if (paint)
            paint(dc, client);
        return 0;
    }
    return DefWindowProcA(window, msg, wParam, lParam);
}

HWND MakeWindow(const char* title, DWORD style, const CRect& rect, PaintFunction paint)
{
    HWND window = CreateWindowExA(0, "TarnixGallery", title, style, rect.left, rect.top, rect.Width(), rect.Height(),
                                  nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (window)
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(paint));
    return window;
}

void PaintDrawing(CDC& dc, const CRect& client)
{
    dc.FillSolidRect(client, RGB(250, 250, 245));

    // Fills and frames.
    dc.FillSolidRect(CRect(20, 20, 100, 70), RGB(220, 60, 60));
    dc.FillSolidRect(CRect(60, 45, 140, 95), RGB(60, 120, 220));
    CBrush frame(RGB(0, 0, 0));
    dc.FrameRect(CRect(160, 20, 240, 95), frame);
    CBrush green(RGB(40, 170, 80));
    dc.FillRect(CRect(170, 30, 230, 85), green);

    // Edges.
    const UINT edges[] = {EDGE_RAISED, EDGE_SUNKEN, EDGE_BUMP, EDGE_ETCHED, BDR_RAISEDINNER};
    for (int i = 0; i < 5; ++i) {
        CRect box(260 + i * 48, 20, 300 + i * 48, 60);
        dc.FillSolidRect(box, GetSysColor(COLOR_BTNFACE));
        dc.DrawEdge(box, edges[i], BF_RECT);
    }

    // Regions: a balloon (rounded body and a tip) filled and framed.
    CRgn body, tip, balloon;
    body.CreateRoundRectRgn(260, 75, 481, 146, 16, 16);
    const POINT triangle[] = {{290, 145}, {285, 170}, {320, 145}};
    tip.CreatePolygonRgn(triangle, 3, ALTERNATE);
    balloon.CreateRectRgn(0, 0, 0, 0);
    balloon.CombineRgn(body, tip, RGN_OR);
    CBrush cream(RGB(255, 250, 205));
    dc.FillRgn(balloon, cream);
    dc.FrameRgn(balloon, frame, 1, 1);

    // Lines with pens.
    const int styles[] = {PS_SOLID, PS_DASH, PS_DOT, PS_DASHDOT};
    for (int i = 0; i < 4; ++i) {
        CPen pen(styles[i], 1, RGB(40, 40, 140));
        CSelectGuard selected(dc, pen);
        dc.MoveTo(20, 115 + i * 10);
        dc.LineTo(230, 115 + i * 10);
    }

    // Text in both widths.
    CFont bold;
    bold.CreateFont(-15, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Tahoma");
    CFont plain;
    plain.CreateDefaultGuiFont();
    CSaveDCGuard saved(dc);
    dc.SetBkMode(TRANSPARENT);
    dc.SetTextColor(RGB(20, 20, 20));
    {
        CSelectGuard selected(dc, bold);
        CRect line(20, 180, 480, 200);
        dc.DrawText("Framework drawing: Tahoma bold, DrawText", -1, line, DT_SINGLELINE | DT_VCENTER);
    }
    CSelectGuard selected(dc, plain);
    const wchar_t* wide = L"UTF-16: \x00A9 Tarnix\x2122 \x2013 \x00E9t\x00E9";
    dc.TextOutW(20, 210, wide, lstrlenW(wide));
    CRect narrow(20, 235, 200, 255);
    dc.FillSolidRect(narrow, RGB(230, 230, 255));
    dc.DrawText("A text far too long for its narrow box is cut", -1, narrow,
                DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS);
    CRect centred(220, 235, 480, 255);
    dc.FillSolidRect(centred, RGB(230, 255, 230));
    dc.DrawText("Centred", -1, centred, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
}

void PaintImages(CDC& dc, const CRect& client)
{
    // Drawn off-screen, then copied in one blit.
    CMemoryDC surface(dc, client.Width(), client.Height());
    surface.FillSolidRect(client, RGB(245, 245, 250));

    CIcon small;
    small.Load(IDI_TEST_ART, 16, 16);
    CIcon large;
    large.Load(IDI_TEST_ART, 32, 32);
    surface.DrawIconEx(20, 20, small, 16, 16);
    surface.DrawIconEx(50, 12, large, 32, 32);
    surface.DrawIconEx(100, 12, CSharedIcon::System(IDI_WARNING), 32, 32);
    surface.DrawIconEx(150, 12, CSharedIcon::System(IDI_INFORMATION), 32, 32);

    // An image list: icons added, one replaced, drawn plain, blended and selected.
    CImageList list;
    list.Create(16, 16, ILC_COLOR24 | ILC_MASK, 1, 1);
    list.Add(small);
    list.Add(small);
    CIcon warning(CopyIcon(CSharedIcon::System(IDI_WARNING)));
    list.Replace(1, warning);
    for (int i = 0; i < list.GetImageCount(); ++i) {
        list.Draw(surface, i, POINT{20 + i * 24, 70}, ILD_TRANSPARENT);
        list.Draw(surface, i, POINT{20 + i * 24, 94}, ILD_BLEND50);
        list.Draw(surface, i, POINT{20 + i * 24, 118}, ILD_SELECTED);
    }
    CIcon extracted = list.ExtractIcon(0);
    surface.DrawIconEx(80, 70, extracted, 32, 32);

    // The bitmap resource, stretched.
    CBitmap bars;
    if (bars.LoadBitmap(IDB_TEST_ART)) {
        CDC source;
        source.CreateCompatibleDC(surface);
        CSelectGuard selected(source, bars);
        surface.StretchBlt(140, 70, 128, 64, source, 0, 0, 8, 4, SRCCOPY);
    }
    CFont font;
    font.CreateDefaultGuiFont();
    CSelectGuard selected(surface, font);
    surface.SetBkMode(TRANSPARENT);
    CRect caption(20, 150, client.right - 10, 170);
    surface.DrawText("Icons 16/32, system icons, image list (plain, blend, selected), bitmap", -1, caption,
                     DT_SINGLELINE | DT_END_ELLIPSIS);
    surface.BlitTo(dc, 0, 0);
}

void PaintShaped(CDC& dc, const CRect& client)
{
    dc.FillSolidRect(client, RGB(255, 250, 205));
    CBrush frame(RGB(200, 120, 0));
    CRgn body;
    body.CreateRoundRectRgn(0, 0, client.Width() + 1, client.Height() - 24, 20, 20);
    dc.FrameRgn(body, frame, 2, 2);
    CFont font;
    font.CreateDefaultGuiFont();
    CSelectGuard selected(dc, font);
    dc.SetBkMode(TRANSPARENT);
    CRect text(client.left, client.top, client.right, client.bottom - 24);
    dc.DrawText("A window with a region", -1, text, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
}

// A popup shaped like a balloon; the window owns its region once set.
HWND MakeShaped()
{
    const CRect rect(300, 260, 540, 360);
    HWND window = MakeWindow("region", WS_POPUP, rect, PaintShaped);
    if (!window)
        return nullptr;
    CRgn body, tip, shape;
    body.CreateRoundRectRgn(0, 0, rect.Width() + 1, rect.Height() - 24, 20, 20);
    const POINT triangle[] = {{30, rect.Height() - 25}, {20, rect.Height()}, {60, rect.Height() - 25}};
    tip.CreatePolygonRgn(triangle, 3, ALTERNATE);
    shape.CreateRectRgn(0, 0, 0, 0);
    shape.CombineRgn(body, tip, RGN_OR);
    if (SetWindowRgn(window, shape, FALSE))
        shape.Detach();
    return window;
}

} // namespace

int main(int argc, char** argv)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = GalleryProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = CSharedCursor::System(IDC_ARROW);
    wc.hIcon = CSharedIcon::Load(IDI_TEST_ART);
    wc.lpszClassName = "TarnixGallery";
    if (!RegisterClassA(&wc))
        return 2;

    CGallery gallery(argc, argv);
    struct Item {
        const char* name;
        HWND window;
    };
    const DWORD framed = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
    const Item items[] = {
        {"framework-gdi-drawing", MakeWindow("Drawing", framed, CRect(40, 40, 560, 340), PaintDrawing)},
        {"framework-gdi-images", MakeWindow("Images", framed, CRect(40, 40, 460, 250), PaintImages)},
        {"framework-gdi-region", MakeShaped()},
    };
    int failures = 0;
    for (const Item& item : items) {
        if (!item.window || !gallery.ShowItem(item.name, item.window))
            ++failures;
        if (item.window)
            DestroyWindow(item.window);
    }
    failures += ShowDialogItems(gallery);
    return failures ? 1 : 0;
}
