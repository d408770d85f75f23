// Every id that the program's ids headers name loads, as the kind its name gives, and every
// dialog template holds the controls that its window's code looks up.

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "app/StringIds.h"
#include "ui/res/ui_ids.h"

namespace {

struct SDefine {
    std::string name;
    int value;
};

// The "#define NAME NUMBER" lines of an ids header that this program carries as a resource.
std::vector<SDefine> ReadIdsHeader(const char* resource)
{
    std::vector<SDefine> defines;
    HRSRC found = FindResourceA(nullptr, resource, MAKEINTRESOURCEA(10)); // RT_RCDATA
    HGLOBAL loaded = found ? LoadResource(nullptr, found) : nullptr;
    const char* text = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    if (!text)
        return defines;
    std::istringstream lines(std::string(text, SizeofResource(nullptr, found)));
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string directive, name;
        int value = 0;
        if (words >> directive >> name >> value && directive == "#define")
            defines.push_back({name, value});
    }
    return defines;
}

bool StartsWith(const std::string& text, const char* prefix)
{
    return text.compare(0, std::strlen(prefix), prefix) == 0;
}

// The sizes of the images in an icon group.
std::vector<std::pair<int, int>> IconSizes(int id, HINSTANCE module)
{
    std::vector<std::pair<int, int>> sizes;
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(14)); // RT_GROUP_ICON
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const BYTE* group = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    if (!group || SizeofResource(module, found) < 6)
        return sizes;
    const int count = group[4] | group[5] << 8;
    const BYTE* entry = group + 6;
    for (int i = 0; i < count && entry + 14 <= group + SizeofResource(module, found); ++i, entry += 14)
        sizes.emplace_back(entry[0] ? entry[0] : 256, entry[1] ? entry[1] : 256);
    return sizes;
}

// What a failure to load `define` from `module` says, or empty when it loads as its prefix says
// it must.
std::string LoadFailure(const SDefine& define, HINSTANCE module = GetModuleHandleA(nullptr))
{
    const char* id = MAKEINTRESOURCEA(define.value);
    if (StartsWith(define.name, "IDB_")) {
        HBITMAP bitmap = static_cast<HBITMAP>(LoadImageA(module, id, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        if (!bitmap)
            return "no bitmap";
        DIBSECTION dib = {};
        const bool deep = GetObjectA(bitmap, sizeof(dib), &dib) == sizeof(dib) && dib.dsBm.bmBitsPixel >= 24;
        DeleteObject(bitmap);
        return deep ? "" : "fewer than 24 bits per pixel";
    }
    if (StartsWith(define.name, "IDI_")) {
        const auto sizes = IconSizes(define.value, module);
        for (const int side : {16, 32}) {
            if (std::find(sizes.begin(), sizes.end(), std::make_pair(side, side)) == sizes.end())
                return "no " + std::to_string(side) + "x" + std::to_string(side) + " image";
            HICON icon = static_cast<HICON>(LoadImageA(module, id, IMAGE_ICON, side, side, 0));
            if (!icon)
                return "does not load at " + std::to_string(side);
            DestroyIcon(icon);
        }
        return "";
    }
    if (StartsWith(define.name, "IDM_")) {
        HMENU menu = LoadMenuA(module, id);
        if (!menu)
            return "no menu";
        DestroyMenu(menu);
        return "";
    }
    if (StartsWith(define.name, "IDS_")) {
        char text[512];
        return LoadStringA(module, define.value, text, sizeof(text)) > 0 ? "" : "no string";
    }
    if (StartsWith(define.name, "IDD_"))
        return FindResourceA(module, id, MAKEINTRESOURCEA(5)) ? "" : "no dialog template"; // RT_DIALOG
    if (StartsWith(define.name, "IDC_") || StartsWith(define.name, "ID_"))
        return ""; // controls and commands are not resources
    return "a prefix that names no kind of resource";
}

TEST(ProgramResources, EveryIdOfTheIdsHeadersLoadsAsItsKind)
{
    EXPECT_FALSE(ReadIdsHeader("UI_IDS").empty());
    EXPECT_FALSE(ReadIdsHeader("APP_IDS").empty());
    for (const char* header : {"UI_IDS", "APP_IDS", "WIDGETS_IDS"}) {
        const std::vector<SDefine> defines = ReadIdsHeader(header);
        for (const SDefine& define : defines)
            EXPECT_EQ(LoadFailure(define), "") << header << ": " << define.name << " " << define.value;
    }
}

std::string LoadText(int id)
{
    char text[512] = {};
    LoadStringA(GetModuleHandleA(nullptr), id, text, sizeof(text));
    return text;
}

#ifdef TARNIX_PROGRAM
// The program itself carries every one of them too: its script includes every fragment.
TEST(ProgramResources, TheProgramCarriesEveryIdOfTheIdsHeaders)
{
    HINSTANCE program =
        LoadLibraryExA(TARNIX_PROGRAM, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(program, nullptr) << TARNIX_PROGRAM;
    for (const char* header : {"UI_IDS", "APP_IDS", "WIDGETS_IDS"}) {
        for (const SDefine& define : ReadIdsHeader(header))
            EXPECT_EQ(LoadFailure(define, program), "") << header << ": " << define.name << " " << define.value;
    }
    FreeLibrary(program);
}
#endif

TEST(ProgramResources, TheWebSiteTextsNameTheConfiguredHost)
{
    const std::string site = std::string("http://") + TARNIX_SITE_HOST + "/";
    EXPECT_EQ(LoadText(IDS_LINK_PAGE_PREFIX), site + "fl.php?");
    EXPECT_EQ(LoadText(IDS_INSTALLER_URL), site + "download/TarnixInstall.exe");
    EXPECT_EQ(LoadText(IDS_SITE_ADDRESS), site);
    const std::string body = LoadText(IDS_TAF_BODY);
    EXPECT_EQ(body.substr(body.size() - std::strlen(TARNIX_SITE_HOST)), TARNIX_SITE_HOST);
}

// A bitmap's size and the colour of its top-left pixel.
struct SPicture {
    SIZE size;
    COLORREF corner;
};

SPicture ReadPicture(int id)
{
    SPicture picture = {{0, 0}, CLR_INVALID};
    HBITMAP bitmap =
        static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, 0));
    if (!bitmap)
        return picture;
    BITMAP info = {};
    GetObjectA(bitmap, sizeof(info), &info);
    picture.size = {info.bmWidth, info.bmHeight};
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);
    picture.corner = GetPixel(dc, 0, 0);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
    return picture;
}

// What the controls cut their pictures by: fixed piece sizes, and the transparent colour outside
// every button's outline and the splash's shape.
TEST(ProgramResources, TheControlsPicturesHaveThePiecesAndKeysTheirCodeCuts)
{
    const COLORREF green = RGB(0, 255, 0);
    for (const int button : {IDB_PAUSE,
                             IDB_RESUME,
                             IDB_PAUSE_HOT,
                             IDB_RESUME_HOT,
                             IDB_SEND,
                             IDB_SEND_HOT,
                             IDB_TAF_NEXT,
                             IDB_TAF_NEXT_DISABLED,
                             IDB_TAF_NEXT_HOT,
                             IDB_SPEED_HOT,
                             IDB_SPEED,
                             IDB_BUTTON_HOT,
                             IDB_BUTTON,
                             IDB_SELECT_FILES,
                             IDB_SELECT_FILES_HOT,
                             IDB_SENDTO,
                             IDB_SENDTO_HOT,
                             IDB_SMALL_BUTTON,
                             IDB_SMALL_BUTTON_HOT,
                             IDB_BUTTON_DISABLED,
                             IDB_COPY_LINK,
                             IDB_BUTTON_PRESSED,
                             IDB_SLIDER_TRACK,
                             IDB_SLIDER_THUMB})
        EXPECT_EQ(ReadPicture(button).corner, green) << button;
    EXPECT_EQ(ReadPicture(IDB_SPLASH).corner, RGB(255, 0, 255));

    const SIZE track = ReadPicture(IDB_SLIDER_TRACK).size, thumb = ReadPicture(IDB_SLIDER_THUMB).size;
    EXPECT_GE(track.cx, 13 + thumb.cx);
    EXPECT_GE(track.cy, 104 + thumb.cy);
    const struct {
        int id;
        LONG width, height;
    } pieces[] = {{IDB_UPLOAD_PROGRESS, 6, 14}, {IDB_DOWNLOAD_PROGRESS, 6, 14}, {IDB_EXPANDED, 13, 13},
                  {IDB_COLLAPSED, 13, 13},      {IDB_MENU_IMAGES, 18 * 16, 16}, {IDB_FRIENDS, 28, 25},
                  {IDB_CONTACTS, 24, 24}};
    for (const auto& piece : pieces) {
        const SIZE size = ReadPicture(piece.id).size;
        EXPECT_TRUE(size.cx == piece.width && size.cy == piece.height) << piece.id;
    }
    EXPECT_EQ(ReadPicture(IDB_STATUS_BUTTON).size.cx, 3 * 3);
}

INT_PTR CALLBACK QuietDialogProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

struct STemplate {
    int id;
    int background; // bitmap the dialog is made the size of; 0 none
    std::vector<int> controls;
};

// The controls each window's code looks up, and the background it stretches over its client area.
const std::vector<STemplate> kTemplates = {
    {IDD_MAIN, 0, {IDC_SEND, IDC_LIST, IDC_SPEED, IDC_PAUSE, IDC_STATUS_TEXT}},
    {IDD_ABOUT, IDB_ABOUT_BACKGROUND, {IDOK, IDC_VERSION, IDC_BUILD}},
    {IDD_OPTIONS,
     IDB_OPTIONS_BACKGROUND,
     {IDC_TITLE, IDC_SHOW_SPLASH, IDC_DOWNLOAD_LOCATION, IDC_MAX_DOWNLOADS, IDC_MAX_UPLOADS, IDC_UNLIMITED_DOWNLOADS,
      IDC_UNLIMITED_UPLOADS, IDC_NAME, IDC_MY_EMAIL, IDC_SYNC_OUTLOOK, IDC_LOAD_ON_STARTUP, IDOK, IDCANCEL,
      IDC_BROWSE}},
    {IDD_ADDRESS_BOOK, IDB_DIALOG_BACKGROUND, {IDC_LIST, IDOK, IDCANCEL, IDC_ADD, IDC_EDIT, IDC_REMOVE}},
    {IDD_ADDRESS_BOOK_ENTRY, 0, {IDC_NAME, IDC_EMAIL, IDOK, IDCANCEL}},
    {IDD_SPEED, IDB_DIALOG_BACKGROUND, {IDC_TITLE, IDC_SPEED_DESCRIPTION, IDC_SPEED_NAME, IDOK, IDCANCEL}},
    {IDD_SELECT_FILES,
     IDB_SEND_FILE_BACKGROUND,
     {IDC_TITLE, IDC_FILE_NAMES, IDC_TOTAL_SIZE, IDC_FILES_LABEL, IDC_SIZE_LABEL, IDC_SELECT_FILES, IDOK,
      IDC_COPY_LINK}},
    {IDD_REQUEST_APPROVAL,
     IDB_SEND_FILE_BACKGROUND,
     {IDC_TITLE, IDC_SENDTO, IDC_SUBJECT, IDC_MESSAGE, IDC_SENDTO_BUTTON, IDC_BACK, IDOK}},
    {IDD_INFORMATION, IDB_SEND_FILE_BACKGROUND, {IDC_TITLE, IDC_NAME, IDC_EMAIL, IDC_RECIPIENT, IDC_BACK, IDOK}},
    {IDD_TAF_PROMPT, IDB_TAF_PROMPT_BACKGROUND, {IDOK, IDCANCEL, IDC_DONT_SHOW_AGAIN, IDC_LOVE_TARNIX}},
    {IDD_SELECT_FRIENDS, IDB_TAF_BACKGROUND, {IDC_TITLE, IDC_LIST, IDC_SELECT_ALL, IDOK}},
    {IDD_TAF_MESSAGE, IDB_TAF_BACKGROUND, {IDC_TITLE, IDC_FROM, IDC_SUBJECT, IDC_BODY, IDC_BACK, IDOK, IDC_CHANGE}},
    {IDD_UPDATE, 0, {IDC_UPGRADE_YES, IDC_UPGRADE_NO, IDOK}},
    {IDD_UPDATE_DOWNLOAD,
     0,
     {IDC_UPDATE_PROGRESS, IDC_UPDATE_BUTTON, IDC_FILE_SIZE, IDC_DOWNLOADED, IDC_DOWNLOAD_RATE, IDC_TIME_LEFT}},
};

SIZE BitmapSize(int id)
{
    SIZE size = {};
    HBITMAP bitmap =
        static_cast<HBITMAP>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, 0));
    BITMAP info = {};
    if (bitmap && GetObjectA(bitmap, sizeof(info), &info)) {
        size.cx = info.bmWidth;
        size.cy = info.bmHeight;
    }
    if (bitmap)
        DeleteObject(bitmap);
    return size;
}

TEST(ProgramResources, EveryDialogHoldsTheControlsItsCodeLooksUpAndFitsItsBackground)
{
    INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
    ASSERT_TRUE(InitCommonControlsEx(&classes));
    for (const STemplate& dialog : kTemplates) {
        HWND window =
            CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(dialog.id), nullptr, QuietDialogProc, 0);
        ASSERT_TRUE(window) << "dialog " << dialog.id;
        for (const int control : dialog.controls)
            EXPECT_TRUE(GetDlgItem(window, control)) << "dialog " << dialog.id << " has no control " << control;
        if (dialog.background) {
            RECT client = {};
            GetClientRect(window, &client);
            const SIZE picture = BitmapSize(dialog.background);
            EXPECT_EQ(client.right, picture.cx) << "dialog " << dialog.id;
            EXPECT_EQ(client.bottom, picture.cy) << "dialog " << dialog.id;
        }
        DestroyWindow(window);
    }
}

TEST(ProgramResources, TheMainWindowIsResizableWithItsMenuAndTheTrayMenuOpensFirst)
{
    HWND window =
        CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MAIN), nullptr, QuietDialogProc, 0);
    ASSERT_TRUE(window);
    char caption[64] = {};
    GetWindowTextA(window, caption, sizeof(caption));
    EXPECT_STREQ(caption, "Tarnix");
    EXPECT_TRUE(GetWindowLongA(window, GWL_STYLE) & WS_THICKFRAME);
    EXPECT_EQ(GetMenuItemCount(GetMenu(window)), 4);
    LOGFONTA font = {};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0)), sizeof(font), &font);
    EXPECT_STREQ(font.lfFaceName, "Tahoma");
    DestroyWindow(window);

    // A click on the tray icon runs the popup's first item.
    HMENU tray = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDM_TRAY));
    ASSERT_TRUE(tray);
    EXPECT_EQ(GetMenuItemID(GetSubMenu(tray, 0), 0), static_cast<UINT>(ID_TRAY_OPEN));
    DestroyMenu(tray);
}

} // namespace
