// The program's dialog templates on screen with their art, for a person to look at
// (build/<preset>/screens/resources-*.png): each template painted the plain way its window will
// paint it (background picture, transparent labels, bitmap buttons cut at their green), so that
// layouts and pictures can be judged before the windows' own classes exist.

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <map>
#include <vector>

#include "window/Gallery.h"
#include "ui/res/ui_ids.h"

using windowtest::CGallery;

namespace {

struct SButton {
    int control;
    int bitmap;
    POINT textAt; // (0, 0): centred
};

struct SItem {
    const char* name;
    int dialog;
    int background; // stretched over the client area; 0 the dialog's own colour
    std::vector<SButton> buttons;
};

const std::vector<SItem> kItems = {
    {"resources-about", IDD_ABOUT, IDB_ABOUT_BACKGROUND, {{IDOK, IDB_BUTTON, {}}}},
    {"resources-options",
     IDD_OPTIONS,
     IDB_OPTIONS_BACKGROUND,
     {{IDOK, IDB_BUTTON, {}}, {IDCANCEL, IDB_BUTTON, {}}, {IDC_BROWSE, IDB_BUTTON, {}}}},
    {"resources-address-book",
     IDD_ADDRESS_BOOK,
     IDB_DIALOG_BACKGROUND,
     {{IDOK, IDB_BUTTON, {}},
      {IDCANCEL, IDB_BUTTON, {}},
      {IDC_ADD, IDB_SMALL_BUTTON, {}},
      {IDC_EDIT, IDB_SMALL_BUTTON, {}},
      {IDC_REMOVE, IDB_SMALL_BUTTON, {}}}},
    {"resources-address-book-entry", IDD_ADDRESS_BOOK_ENTRY, 0, {{IDOK, IDB_BUTTON, {}}, {IDCANCEL, IDB_BUTTON, {}}}},
    {"resources-speed", IDD_SPEED, IDB_DIALOG_BACKGROUND, {{IDOK, IDB_BUTTON, {}}, {IDCANCEL, IDB_BUTTON, {}}}},
    {"resources-select-files",
     IDD_SELECT_FILES,
     IDB_SEND_FILE_BACKGROUND,
     {{IDC_SELECT_FILES, IDB_SELECT_FILES, {}}, {IDOK, IDB_BUTTON_DISABLED, {}}, {IDC_COPY_LINK, IDB_COPY_LINK, {}}}},
    {"resources-request-approval",
     IDD_REQUEST_APPROVAL,
     IDB_SEND_FILE_BACKGROUND,
     {{IDC_SENDTO_BUTTON, IDB_SENDTO, {30, 4}}, {IDC_BACK, IDB_BUTTON, {}}, {IDOK, IDB_BUTTON_HOT, {}}}},
    {"resources-information",
     IDD_INFORMATION,
     IDB_SEND_FILE_BACKGROUND,
     {{IDC_BACK, IDB_BUTTON, {}}, {IDOK, IDB_BUTTON_PRESSED, {}}}},
    {"resources-taf-prompt", IDD_TAF_PROMPT, IDB_TAF_PROMPT_BACKGROUND, {}},
    {"resources-select-friends", IDD_SELECT_FRIENDS, IDB_TAF_BACKGROUND, {{IDOK, IDB_TAF_NEXT, {}}}},
    {"resources-taf-message",
     IDD_TAF_MESSAGE,
     IDB_TAF_BACKGROUND,
     {{IDC_BACK, IDB_BUTTON, {}}, {IDOK, IDB_BUTTON, {}}}},
    {"resources-update", IDD_UPDATE, 0, {{IDOK, IDB_BUTTON, {}}}},
    {"resources-update-download", IDD_UPDATE_DOWNLOAD, 0, {{IDC_UPDATE_BUTTON, IDB_BUTTON, {}}}},
    {"resources-main",
     IDD_MAIN,
     0,
     {{IDC_SEND, IDB_SEND, {77, 17}}, {IDC_PAUSE, IDB_PAUSE, {}}, {IDC_SPEED, IDB_SPEED, {}}}},
};

HBITMAP LoadPicture(int id)
{
    return static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, 0));
}

SIZE PictureSize(HBITMAP bitmap)
{
    BITMAP info = {};
    GetObjectA(bitmap, sizeof(info), &info);
    return {info.bmWidth, info.bmHeight};
}

void DrawPicture(HDC dc, HBITMAP bitmap, RECT to)
{
    HDC source = CreateCompatibleDC(dc);
    HGDIOBJ old = SelectObject(source, bitmap);
    const SIZE size = PictureSize(bitmap);
    SetStretchBltMode(dc, COLORONCOLOR);
    StretchBlt(dc, to.left, to.top, to.right - to.left, to.bottom - to.top, source, 0, 0, size.cx, size.cy, SRCCOPY);
    SelectObject(source, old);
    DeleteDC(source);
}

// The picture's pixels that are not pure green, as a window region.
HRGN RegionWithoutGreen(HBITMAP bitmap)
{
    const SIZE size = PictureSize(bitmap);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    for (int y = 0; y < size.cy; ++y) {
        for (int x = 0; x < size.cx;) {
            while (x < size.cx && GetPixel(dc, x, y) == RGB(0, 255, 0))
                ++x;
            const int start = x;
            while (x < size.cx && GetPixel(dc, x, y) != RGB(0, 255, 0))
                ++x;
            if (x > start) {
                HRGN run = CreateRectRgn(start + 1, y + 1, x + 1, y + 2); // the picture sits 1 pixel in
                CombineRgn(region, region, run, RGN_OR);
                DeleteObject(run);
            }
        }
    }
    SelectObject(dc, old);
    DeleteDC(dc);
    return region;
}

struct SState {
    const SItem* item;
    std::map<int, HBITMAP> pictures;
};

SState* StateOf(HWND dialog)
{
    return reinterpret_cast<SState*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

void PaintMain(HWND dialog, HDC dc, RECT client)
{
    const int bands[] = {IDB_MAIN_TOP, IDB_MAIN_MIDDLE, IDB_MAIN_BOTTOM};
    HBITMAP top = LoadPicture(bands[0]), middle = LoadPicture(bands[1]), bottom = LoadPicture(bands[2]);
    const int topHeight = PictureSize(top).cy, bottomHeight = PictureSize(bottom).cy;
    DrawPicture(dc, top, {0, 0, client.right, topHeight});
    DrawPicture(dc, middle, {0, topHeight, client.right, client.bottom - bottomHeight});
    DrawPicture(dc, bottom, {0, client.bottom - bottomHeight, client.right, client.bottom});
    DeleteObject(top);
    DeleteObject(middle);
    DeleteObject(bottom);
    char sending[64], receiving[64], state[32], line[200], out[80], in[80];
    LoadStringA(nullptr, IDS_SENDING_FILES, sending, sizeof(sending));
    LoadStringA(nullptr, IDS_RECEIVING_ONE_FILE, receiving, sizeof(receiving));
    LoadStringA(nullptr, IDS_SERVICE_CONNECTED, state, sizeof(state));
    std::snprintf(out, sizeof(out), sending, 2, 48.5);
    std::snprintf(in, sizeof(in), receiving, 1, 112.25);
    std::snprintf(line, sizeof(line), "%s | %s | %s", out, in, state);
    RECT status;
    GetWindowRect(GetDlgItem(dialog, IDC_STATUS_TEXT), &status);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&status), 2);
    HFONT font = CreateFontA(13, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Tahoma");
    HGDIOBJ old = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    DrawTextA(dc, line, -1, &status, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
    SelectObject(dc, old);
    DeleteObject(font);
}

// What the dialog's own class paints over its background: an icon, a picture, the slider.
void PaintExtras(HWND dialog, HDC dc)
{
    const int id = StateOf(dialog)->item->dialog;
    const int icon = id == IDD_SPEED ? IDI_SPEED : id == IDD_ADDRESS_BOOK ? IDI_ADDRESS_BOOK : 0;
    if (icon) {
        HICON loaded =
            static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(icon), IMAGE_ICON, 32, 32, 0));
        DrawIconEx(dc, 20, 15, loaded, 0, 0, 0, nullptr, DI_NORMAL);
        DestroyIcon(loaded);
    }
    auto keyed = [dc](int picture, int x, int y, UINT key) {
        HBITMAP bitmap = LoadPicture(picture);
        const SIZE size = PictureSize(bitmap);
        HDC source = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(source, bitmap);
        TransparentBlt(dc, x, y, size.cx, size.cy, source, 0, 0, size.cx, size.cy, key);
        SelectObject(source, old);
        DeleteDC(source);
        DeleteObject(bitmap);
    };
    if (id == IDD_SELECT_FRIENDS)
        keyed(IDB_FRIENDS, 25, 30, RGB(1, 2, 3));
    if (id == IDD_SPEED) {
        keyed(IDB_SLIDER_TRACK, 40, 120, RGB(0, 255, 0));
        keyed(IDB_SLIDER_THUMB, 40 + 13, 120 + 57, RGB(0, 255, 0));
    }
}

INT_PTR CALLBACK PreviewProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        auto* state = reinterpret_cast<SState*>(lParam);
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        for (const SButton& button : state->item->buttons) {
            HBITMAP picture = LoadPicture(button.bitmap);
            state->pictures[button.control] = picture;
            HWND control = GetDlgItem(dialog, button.control);
            RECT at;
            GetWindowRect(control, &at);
            MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&at), 2);
            const SIZE size = PictureSize(picture);
            MoveWindow(control, at.left, at.top, size.cx + 2, size.cy + 2, FALSE);
            SetWindowRgn(control, RegionWithoutGreen(picture), FALSE);
        }
        if (state->item->dialog == IDD_SPEED) {
            char text[128];
            LoadStringA(nullptr, IDS_SPEED_MEDIUM, text, sizeof(text));
            SetDlgItemTextA(dialog, IDC_SPEED_NAME, text);
            LoadStringA(nullptr, IDS_SPEED_MEDIUM_TEXT, text, sizeof(text));
            SetDlgItemTextA(dialog, IDC_SPEED_DESCRIPTION, text);
        }
        if (state->item->dialog == IDD_ABOUT) {
            SetDlgItemTextA(dialog, IDC_VERSION, "Tarnix Version 1.2");
            SetDlgItemTextA(dialog, IDC_BUILD, "Build: 123456");
        }
        if (state->item->dialog == IDD_MAIN) {
            HWND list = GetDlgItem(dialog, IDC_LIST);
            for (int column = 0; column < 7; ++column) {
                char title[64];
                LoadStringA(nullptr, IDS_COLUMN_FILE_NAME + column, title, sizeof(title));
                LVCOLUMNA entry = {};
                entry.mask = LVCF_TEXT | LVCF_WIDTH;
                entry.cx = 82;
                entry.pszText = title;
                SendMessageA(list, LVM_INSERTCOLUMNA, column, reinterpret_cast<LPARAM>(&entry));
            }
        }
        return TRUE;
    }
    case WM_ERASEBKGND: {
        SState* state = StateOf(dialog);
        RECT client;
        GetClientRect(dialog, &client);
        HDC dc = reinterpret_cast<HDC>(wParam);
        if (state->item->dialog == IDD_MAIN) {
            PaintMain(dialog, dc, client);
        } else if (state->item->background) {
            HBITMAP background = LoadPicture(state->item->background);
            DrawPicture(dc, background, client);
            DeleteObject(background);
        } else if (state->item->dialog == IDD_ADDRESS_BOOK_ENTRY) {
            HBRUSH colour = CreateSolidBrush(0xFADFCB);
            FillRect(dc, &client, colour);
            DeleteObject(colour);
        } else {
            return FALSE;
        }
        PaintExtras(dialog, dc);
        SetWindowLongPtrA(dialog, DWLP_MSGRESULT, TRUE);
        return TRUE;
    }
    case WM_CTLCOLORSTATIC:
        if (!StateOf(dialog)->item->background && StateOf(dialog)->item->dialog != IDD_ADDRESS_BOOK_ENTRY &&
            StateOf(dialog)->item->dialog != IDD_MAIN)
            return FALSE;
        SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
        return reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
    case WM_DRAWITEM: {
        const auto* draw = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        SState* state = StateOf(dialog);
        for (const SButton& button : state->item->buttons) {
            if (button.control != static_cast<int>(draw->CtlID))
                continue;
            RECT inside = {1, 1, PictureSize(state->pictures[button.control]).cx + 1,
                           PictureSize(state->pictures[button.control]).cy + 1};
            // Buttons paint through their parent's DC (CS_PARENTDC): the window region does not
            // clip what they draw.
            HRGN outline = CreateRectRgn(0, 0, 0, 0);
            GetWindowRgn(draw->hwndItem, outline);
            SelectClipRgn(draw->hDC, outline);
            DeleteObject(outline);
            DrawPicture(draw->hDC, state->pictures[button.control], inside);
            char caption[64];
            GetWindowTextA(draw->hwndItem, caption, sizeof(caption));
            HFONT font = CreateFontA(button.control == IDC_SEND ? 15 : 14, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET,
                                     0, 0, 0, 0, "Microsoft Sans Serif");
            HGDIOBJ old = SelectObject(draw->hDC, font);
            SetBkMode(draw->hDC, TRANSPARENT);
            if (button.bitmap == IDB_BUTTON_DISABLED)
                SetTextColor(draw->hDC, GetSysColor(COLOR_GRAYTEXT));
            if (button.textAt.x || button.textAt.y)
                TextOutA(draw->hDC, button.textAt.x, button.textAt.y, caption, lstrlenA(caption));
            else
                DrawTextA(draw->hDC, caption, -1, &inside, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
            SelectObject(draw->hDC, old);
            DeleteObject(font);
            SetWindowLongPtrA(dialog, DWLP_MSGRESULT, TRUE);
            return TRUE;
        }
        return FALSE;
    }
    }
    return FALSE;
}

// The splash picture in a layered window keyed on magenta, as the splash window shows it.
HWND ShowSplash()
{
    HBITMAP picture = LoadPicture(IDB_SPLASH);
    const SIZE size = PictureSize(picture);
    HWND window = CreateWindowExA(WS_EX_LAYERED | WS_EX_TOOLWINDOW, "Static", "", WS_POPUP | SS_BITMAP, 200, 150,
                                  size.cx, size.cy, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    SendMessageA(window, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture));
    SetLayeredWindowAttributes(window, RGB(255, 0, 255), 0, LWA_COLORKEY);
    return window;
}

} // namespace

int main(int argc, char** argv)
{
    INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&classes);
    CGallery gallery(argc, argv);
    int failures = 0;
    for (const SItem& item : kItems) {
        SState state = {&item, {}};
        HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(item.dialog), nullptr, PreviewProc,
                                         reinterpret_cast<LPARAM>(&state));
        if (!dialog || !gallery.ShowItem(item.name, dialog))
            ++failures;
        if (dialog)
            DestroyWindow(dialog);
        for (auto& picture : state.pictures)
            DeleteObject(picture.second);
    }
    HWND splash = ShowSplash();
    if (!splash || !gallery.ShowItem("resources-splash", splash))
        ++failures;
    DestroyWindow(splash);
    return failures ? 1 : 0;
}
