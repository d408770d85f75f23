#include "widgets/MenuItemDrawing.h"

#include <algorithm>
#include <memory>

#include "framework/AppState.h"
#include "framework/Bitmap.h"
#include "framework/Brush.h"
#include "framework/DCGuards.h"
#include "framework/Pen.h"
#include "framework/Rect.h"
#include "framework/WindowDCs.h"
#include "framework/Wnd.h"
#include "widgets/BCMenu.h"
#include "widgets/BCMenuMemDC.h"

namespace {

const int kGap = 4;
const int kXpTextLeft = 28;
const int kClassicTextLeft = 25;
const int kSelectionLeft = 21; // both looks' highlight leaves the image column out
const int kAcceleratorInset = 16;
const double kSelectionBlend = 0.7;
const double kCheckedSelectedBlend = 0.55;
const double kCheckedBlend = 0.85;
const double kClassicCheckedBlend = 0.6;

// The record's device context for the length of one drawing, never released here.
class CBorrowedDC : public CDC {
public:
    explicit CBorrowedDC(HDC dc) { Attach(dc); }
    ~CBorrowedDC() override { Detach(); }
};

COLORREF Sys(int index)
{
    return ::GetSysColor(index);
}

void Frame(CDC& dc, const RECT& rect, COLORREF colour)
{
    CBrush brush(colour);
    dc.FrameRect(rect, brush);
}

// One-pixel frame, `topLeft` on the top and left sides, `bottomRight` on the others.
void Frame3d(CDC& dc, const CRect& r, COLORREF topLeft, COLORREF bottomRight)
{
    dc.FillSolidRect(CRect(r.left, r.top, r.right - 1, r.top + 1), topLeft);
    dc.FillSolidRect(CRect(r.left, r.top, r.left + 1, r.bottom - 1), topLeft);
    dc.FillSolidRect(CRect(r.right - 1, r.top, r.right, r.bottom), bottomRight);
    dc.FillSolidRect(CRect(r.left, r.bottom - 1, r.right, r.bottom), bottomRight);
}

void FrameRaised(CDC& dc, const CRect& r)
{
    Frame3d(dc, r, Sys(COLOR_BTNHIGHLIGHT), Sys(COLOR_BTNSHADOW));
}

void FrameSunken(CDC& dc, const CRect& r)
{
    Frame3d(dc, r, Sys(COLOR_BTNSHADOW), Sys(COLOR_BTNHIGHLIGHT));
}

// Seven one-pixel columns; `shorten` takes a pixel off each column's end (the XP look's tick).
void DrawTick(CDC& dc, int x, int y, COLORREF colour, int shorten)
{
    static const int kFrom[7] = {2, 3, 4, 3, 2, 1, 0};
    static const int kTo[7] = {5, 6, 7, 6, 5, 4, 3};
    CPen pen(PS_SOLID, 1, colour);
    CSelectGuard selected(dc, pen);
    for (int k = 0; k < 7; ++k) {
        dc.MoveTo(x + k, y + kFrom[k]);
        dc.LineTo(x + k, y + kTo[k] - shorten);
    }
}

void DrawBullet(CDC& dc, int x, int y, COLORREF colour)
{
    CPen pen(PS_SOLID, 1, colour);
    CBrush brush(colour);
    CSelectGuard penSelected(dc, pen);
    CSelectGuard brushSelected(dc, brush);
    ::Ellipse(dc, x, y, x + 6, y + 6);
}

// An item with a checked-state bitmap of its own shows a bullet rather than a tick.
bool HasCheckedBitmap(HMENU menu, UINT id)
{
    MENUITEMINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_CHECKMARKS;
    return ::GetMenuItemInfoW(menu, id, FALSE, &info) && info.hbmpChecked;
}

void DrawMark(CDC& dc, const DRAWITEMSTRUCT& draw, int x, int y, int tickShorten, int bulletDx, int bulletDy)
{
    const COLORREF colour = Sys(COLOR_MENUTEXT);
    if (HasCheckedBitmap(reinterpret_cast<HMENU>(draw.hwndItem), draw.itemID))
        DrawBullet(dc, x + bulletDx, y + bulletDy, colour);
    else
        DrawTick(dc, x, y, colour, tickShorten);
}

void DrawImage(CDC& dc, int index, int x, int y)
{
    BCMenu::SharedImageList().Draw(dc, index, POINT{x, y}, ILD_TRANSPARENT);
}

// The image embossed: drawn on the button face, every pixel that is neither face nor highlight
// painted in the highlight colour one pixel right and down, then in the shadow colour in place.
void DrawDisabledImage(CDC& dc, int index, int x, int y, COLORREF background)
{
    const int size = kMenuImageSize;
    const COLORREF face = Sys(COLOR_BTNFACE);
    const COLORREF light = Sys(COLOR_BTNHIGHLIGHT);
    dc.FillSolidRect(CRect(x, y, x + size, y + size), background);

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = size;
    info.bmiHeader.biHeight = -size; // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    CBitmap picture;
    if (!picture.Attach(::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0)))
        return;
    CDC pictureDc;
    if (!pictureDc.CreateCompatibleDC(dc))
        return;
    {
        CSelectGuard selected(pictureDc, picture);
        pictureDc.FillSolidRect(CRect(0, 0, size, size), face);
        DrawImage(pictureDc, index, 0, 0);
        ::GdiFlush();
    }

    // The mask: set bits are background. Rows of a monochrome bitmap are whole 16-bit words.
    BYTE maskBits[kMenuImageSize * 2] = {};
    const auto* pixels = static_cast<const DWORD*>(bits);
    for (int row = 0; row < size; ++row) {
        for (int column = 0; column < size; ++column) {
            const DWORD p = pixels[row * size + column];
            const COLORREF colour = RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
            if (colour == face || colour == light)
                maskBits[row * 2 + column / 8] |= static_cast<BYTE>(0x80 >> (column % 8));
        }
    }
    CBitmap mask;
    CDC maskDc;
    if (!mask.Attach(::CreateBitmap(size, size, 1, 1, maskBits)) || !maskDc.CreateCompatibleDC(dc))
        return;
    CSelectGuard maskSelected(maskDc, mask);
    CSaveDCGuard saved(dc);
    dc.SetTextColor(RGB(0, 0, 0));     // mask bits 0 (the image) read as black ...
    dc.SetBkColor(RGB(255, 255, 255)); // ... and 1 (background) as white
    // Destination where the mask is white, the brush where it is black.
    const DWORD kBrushThroughMask = 0x00B8074A;
    const struct {
        int offset;
        COLORREF colour;
    } passes[] = {{1, light}, {0, Sys(COLOR_BTNSHADOW)}};
    for (const auto& pass : passes) {
        CBrush brush(pass.colour);
        CSelectGuard brushSelected(dc, brush);
        dc.BitBlt(x + pass.offset, y + pass.offset, size, size, maskDc, 0, 0, kBrushThroughMask);
    }
}

// The text before the first tab left-aligned, the rest right-aligned short of the right edge.
void DrawItemText(CDC& dc, const std::wstring& text, const CRect& rect, COLORREF colour)
{
    dc.SetTextColor(colour);
    const size_t tab = text.find(L'\t');
    const std::wstring left = text.substr(0, tab);
    CRect leftRect(rect);
    dc.DrawTextW(left.c_str(), static_cast<int>(left.size()), leftRect, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
    if (tab == std::wstring::npos)
        return;
    const std::wstring right = text.substr(tab + 1);
    CRect rightRect(rect);
    rightRect.right -= kAcceleratorInset;
    dc.DrawTextW(right.c_str(), static_cast<int>(right.size()), rightRect, DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
}

struct SItemState {
    bool selected;
    bool grayed;
    bool checked;
};

void DrawXp(const DRAWITEMSTRUCT& draw, const BCMenuData& data)
{
    SItemState state;
    state.grayed = (draw.itemState & ODS_GRAYED) != 0;
    state.selected = !state.grayed && (draw.itemState & ODS_SELECTED);
    state.checked = (draw.itemState & ODS_CHECKED) != 0;
    const CRect rect(draw.rcItem);

    // A disabled item is drawn off-screen, with the menu font.
    std::unique_ptr<BCMenuMemDC> offScreen;
    CFont font;
    std::unique_ptr<CSelectGuard> fontSelected;
    HDC target = draw.hDC;
    if (state.grayed) {
        offScreen = std::make_unique<BCMenuMemDC>(draw.hDC, rect);
        target = offScreen->GetSafeHdc();
        if (CreateMenuFont(font))
            fontSelected = std::make_unique<CSelectGuard>(target, font);
    }
    CBorrowedDC dc(target);
    CSaveDCGuard saved(dc);
    dc.SetBkMode(TRANSPARENT);
    const COLORREF highlight = Sys(COLOR_HIGHLIGHT);

    dc.FillSolidRect(rect, kMenuBodyColour);
    if (data.menuFlags & MF_SEPARATOR) {
        CRect line(rect.left + 24, rect.top + rect.Height() / 2, rect.right, rect.bottom);
        dc.DrawEdge(line, EDGE_ETCHED, BF_TOP);
        return;
    }
    if (state.selected) {
        CRect selection(rect);
        if (!state.checked)
            selection.left = rect.left + kSelectionLeft;
        dc.FillSolidRect(selection, BCMenu::BlendTowardWhite(highlight, kSelectionBlend));
        Frame(dc, selection, highlight);
    } else {
        Frame(dc, rect, kMenuBodyColour);
    }

    const CRect box(rect.left + 1, rect.top + 1, rect.left + 18, rect.bottom - 1);
    const COLORREF checkedFill =
        BCMenu::BlendTowardWhite(highlight, state.selected ? kCheckedSelectedBlend : kCheckedBlend);
    if (data.imageIndex >= 0) {
        int x = rect.left + 2;
        int y = rect.top + std::max(0, (rect.Height() - kMenuImageSize + 1) / 2);
        if (state.grayed) {
            DrawDisabledImage(dc, data.imageIndex, x, y, kMenuBodyColour);
        } else {
            if (state.checked) {
                dc.FillSolidRect(box, checkedFill);
                Frame(dc, box, highlight);
                --x;
                --y;
            }
            DrawImage(dc, data.imageIndex, x, y);
        }
    } else if (state.checked) {
        dc.FillSolidRect(box, checkedFill);
        Frame(dc, box, highlight);
        const int x = box.left + (box.Width() < 6 ? 0 : box.Width() / 2 - 3);
        const int y = box.top + (box.Height() < 6 ? 0 : box.Height() / 2 - 3);
        DrawMark(dc, draw, x, y, 1, 0, 0);
    }

    CRect text(rect.left + kXpTextLeft, rect.top - 1, rect.right, rect.bottom - 1);
    if (state.grayed)
        text.OffsetRect(1, 1);
    DrawItemText(dc, data.text, text, Sys(state.grayed ? COLOR_GRAYTEXT : COLOR_MENUTEXT));
}

void DrawClassic(const DRAWITEMSTRUCT& draw, const BCMenuData& data)
{
    SItemState state;
    state.grayed = (draw.itemState & ODS_GRAYED) != 0;
    state.selected = (draw.itemState & ODS_SELECTED) != 0; // a disabled item keeps its highlight
    state.checked = (draw.itemState & ODS_CHECKED) != 0;
    const bool frames = WindowsVersionClass() > 1;
    const CRect rect(draw.rcItem);
    CBorrowedDC dc(draw.hDC);
    CSaveDCGuard saved(dc);
    dc.SetBkMode(TRANSPARENT);

    dc.FillSolidRect(rect, kMenuBodyColour);
    if (data.menuFlags & MF_SEPARATOR) {
        CRect line(rect.left, rect.top + rect.Height() / 2, rect.right, rect.bottom);
        dc.DrawEdge(line, EDGE_ETCHED, BF_TOP);
        return;
    }
    COLORREF textColour = Sys(COLOR_MENUTEXT);
    if (state.selected) {
        dc.FillSolidRect(CRect(rect.left + kSelectionLeft, rect.top, rect.right, rect.bottom), Sys(COLOR_HIGHLIGHT));
        textColour = Sys(COLOR_HIGHLIGHTTEXT);
    } else {
        Frame(dc, rect, kMenuBodyColour);
    }

    const int m = std::max(0, (rect.Height() - 20) / 2);
    const CRect box(rect.left, rect.top + m, rect.left + 20, rect.top + m + 20);
    if (data.imageIndex >= 0) {
        const int x = rect.left + 2, y = rect.top + m + 2;
        if (state.grayed) {
            DrawDisabledImage(dc, data.imageIndex, x, y, kMenuBodyColour);
        } else {
            if (state.selected) {
                dc.FillSolidRect(box, kMenuBodyColour);
                if (frames && state.checked)
                    FrameSunken(dc, box);
                else if (frames)
                    FrameRaised(dc, box);
            } else if (state.checked) {
                dc.FillSolidRect(box, BCMenu::BlendTowardWhite(kMenuBodyColour, kClassicCheckedBlend));
                if (frames)
                    FrameSunken(dc, box);
            } else {
                dc.FillSolidRect(box, kMenuBodyColour);
                Frame(dc, box, kMenuBodyColour);
            }
            DrawImage(dc, data.imageIndex, x, y);
        }
    } else if (state.checked) {
        CRect checkBox(rect.left + 1, rect.top + m + 2, rect.left + 17, rect.top + m + 18);
        const bool themedXp = WindowsVersionClass() == 7 && !IsClassicThemeActive();
        const COLORREF base = Sys(themedXp ? COLOR_BTNFACE : COLOR_MENU);
        dc.FillSolidRect(checkBox, state.selected ? base : BCMenu::BlendTowardWhite(base, kClassicCheckedBlend));
        if (frames)
            dc.DrawEdge(checkBox, BDR_SUNKENOUTER, BF_RECT);
        DrawMark(dc, draw, checkBox.left + 4, checkBox.top + 4, 0, 1, 0);
    }

    CRect text(rect.left + kClassicTextLeft, rect.top - 1, rect.right, rect.bottom - 1);
    if (!state.grayed) {
        DrawItemText(dc, data.text, text, textColour);
    } else if (state.selected) {
        DrawItemText(dc, data.text, text, kMenuBodyColour);
    } else {
        CRect embossed(text);
        embossed.OffsetRect(1, 1);
        DrawItemText(dc, data.text, embossed, Sys(COLOR_BTNHIGHLIGHT));
        DrawItemText(dc, data.text, text, Sys(COLOR_GRAYTEXT));
    }
}

} // namespace

void MeasureMenuItem(MEASUREITEMSTRUCT* measure, EMenuLook look)
{
    const auto* data = measure ? reinterpret_cast<const BCMenuData*>(measure->itemData) : nullptr;
    if (!data)
        return;
    const int menuHeight = ::GetSystemMetrics(SM_CYMENU);
    if (data->menuFlags & MF_SEPARATOR) {
        measure->itemWidth = 0;
        measure->itemHeight = look == EMenuLook::Xp ? 3 : std::max((kMenuImageSize + kGap) / 2, menuHeight / 2);
        return;
    }
    CWnd* mainWnd = AfxGetMainWnd();
    CClientDC dc(mainWnd && mainWnd->GetSafeHwnd() ? mainWnd->GetSafeHwnd() : ::GetDesktopWindow());
    // Before XP's successors the menu font is measured; later ones keep the context's own font.
    CFont font;
    const bool menuFont = WindowsVersionClass() > 1 && CreateMenuFont(font);
    CSelectGuard selected(dc, menuFont ? font.GetSafeHandle() : nullptr);
    const CSize size = dc.GetTextExtentW(data->text.c_str(), static_cast<int>(data->text.size()));
    measure->itemWidth = static_cast<UINT>(size.cx + (look == EMenuLook::Xp ? 28 : 33));
    measure->itemHeight = static_cast<UINT>(std::max(menuHeight, 20));
}

void DrawMenuItem(const DRAWITEMSTRUCT* draw, EMenuLook look)
{
    const auto* data = draw ? reinterpret_cast<const BCMenuData*>(draw->itemData) : nullptr;
    if (!data || !draw->hDC)
        return;
    if (look == EMenuLook::Xp)
        DrawXp(*draw, *data);
    else
        DrawClassic(*draw, *data);
}
