// The HTML drawer on GDI: fonts and text measured on the device, link colours, hover and clicks,
// images and strings from the program, from a module mapped as data only, and from handles.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "drawer/drawer_art_ids.h"
#include "framework/Font.h"
#include "htmltip/LinkOpener.h"
#include "htmltip/MarkupResources.h"
#include "htmltip/PPHtmlDrawer.h"
#include "marker/marker_ids.h"
#include "test_art_ids.h"
#include "window/Canvas.h"
#include "window/RegistryValueScope.h"

using windowtest::CTestCanvas;

namespace {

const COLORREF kWhite = RGB(255, 255, 255);
const COLORREF kLinkBlue = RGB(0, 0, 255);
const COLORREF kSolidGreen = RGB(0x20, 0xC0, 0x40);
const COLORREF kModuleBlue = RGB(0x20, 0x40, 0xE0);
const char kMarkerModule[] = "htmltip_marker.dll";
const char kMarkerFile[] = "htmltip_marker.flag";

// Records the messages a drawer sends to its link and redraw targets.
struct Recorder {
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_APP + 1)
            links.push_back(reinterpret_cast<const char*>(wParam));
        else if (message == WM_APP + 2)
            hovers.push_back(static_cast<int>(static_cast<INT_PTR>(wParam)));
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    Recorder()
    {
        links.clear();
        hovers.clear();
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = Procedure;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "HtmlDrawerTestRecorder";
        RegisterClassA(&windowClass);
        window = CreateWindowA("HtmlDrawerTestRecorder", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    }
    ~Recorder() { DestroyWindow(window); }
    HWND window;
    static std::vector<std::string> links;
    static std::vector<int> hovers;
};
std::vector<std::string> Recorder::links;
std::vector<int> Recorder::hovers;

// Measures and draws on a white canvas of the measured size (or larger).
CSize DrawOn(CPPHtmlDrawer& drawer, CTestCanvas& canvas, const char* html)
{
    CSize size;
    drawer.PrepareOutput(canvas.Dc(), html, size);
    canvas.Fill(kWhite);
    drawer.DrawPreparedOutput(canvas.Dc(), RECT{0, 0, size.cx, size.cy});
    return size;
}

bool FileExists(const char* name)
{
    return GetFileAttributesA(name) != INVALID_FILE_ATTRIBUTES;
}

TEST(HtmlDrawer, EntitiesGiveTheBytesOfTheAnsiCodePage)
{
    if (GetACP() != 1252)
        GTEST_SKIP() << "the process code page is " << GetACP() << ", not 1252";
    CPPHtmlDrawer drawer;
    CTestCanvas canvas(200, 50);
    CSize size;
    drawer.PrepareOutput(canvas.Dc(), "&euro;&pound;&bull;&trade;", size);
    EXPECT_EQ(drawer.Core().PreparedText(), "\x80\xA3\x95\x99");
}

TEST(HtmlDrawer, MeasuresWithTheFontItSelectsOnTheSameDevice)
{
    CPPHtmlDrawer drawer;
    drawer.SetCssStyles("body {font-size: 15px; font-family: Tahoma}");
    CTestCanvas canvas(400, 100);
    const char text[] = "Hello, wide world";
    const CSize size = DrawOn(drawer, canvas, text);

    CFont font;
    ASSERT_TRUE(font.CreateFont(15, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, "Tahoma"));
    HGDIOBJ old = SelectObject(canvas.Dc(), font);
    SIZE extent = {};
    GetTextExtentPoint32A(canvas.Dc(), text, static_cast<int>(sizeof(text) - 1), &extent);
    TEXTMETRICA metrics = {};
    GetTextMetricsA(canvas.Dc(), &metrics);
    SelectObject(canvas.Dc(), old);
    EXPECT_EQ(size.cx, extent.cx + 1);
    EXPECT_EQ(size.cy, metrics.tmHeight + 1);
    // Black text (the body's colour) within the measured box, and the DC's font put back.
    const RECT drawn = canvas.Bounds(RGB(0, 0, 0));
    EXPECT_GE(drawn.left, 0);
    EXPECT_LE(drawn.right, size.cx);
    EXPECT_LE(drawn.bottom, size.cy);
    EXPECT_EQ(GetCurrentObject(canvas.Dc(), OBJ_FONT), GetStockObject(SYSTEM_FONT));
}

TEST(HtmlDrawer, LinksAreBlueUnderlinedWhenHotAndEachClickActsOnce)
{
    Recorder recorder;
    CPPHtmlDrawer drawer;
    drawer.SetLinkMessage(recorder.window, WM_APP + 1, 0);
    drawer.SetRedrawMessage(recorder.window, WM_APP + 2, 0);
    CTestCanvas canvas(300, 60);
    const char html[] = "Get <a msg=\"open file\">the file</a> now";
    DrawOn(drawer, canvas, html);
    const int cold = canvas.Count(kLinkBlue);
    EXPECT_GT(cold, 0);
    const RECT link = canvas.Bounds(kLinkBlue);

    // Under Wine winhlp32.exe has no hand cursor: none until one is given.
    const POINT over{(link.left + link.right) / 2, (link.top + link.bottom) / 2};
    EXPECT_FALSE(drawer.OnSetCursor(over));
    EXPECT_EQ(Recorder::hovers, std::vector<int>{0});
    EXPECT_FALSE(drawer.OnSetCursor(POINT{over.x + 1, over.y})); // same link: no message
    drawer.SetHyperlinkCursor(CopyCursor(LoadCursorA(nullptr, IDC_HAND)));
    EXPECT_TRUE(drawer.OnSetCursor(over));
    canvas.Fill(kWhite);
    drawer.DrawPreparedOutput(canvas.Dc(), canvas.All());
    EXPECT_GT(canvas.Count(kLinkBlue), cold + (link.right - link.left) / 2); // the underline
    EXPECT_FALSE(drawer.OnSetCursor(POINT{1, 1}));
    EXPECT_FALSE(drawer.OnSetCursor(POINT{2, 1}));
    EXPECT_EQ(Recorder::hovers, (std::vector<int>{0, -2}));

    drawer.OnLButtonDown(over);
    drawer.OnLButtonDown(POINT{1, 1});
    EXPECT_EQ(Recorder::links, std::vector<std::string>{"open file"});
    drawer.SetLinkMessage(nullptr, WM_APP + 1, 0);
    drawer.OnLButtonDown(over);
    EXPECT_EQ(Recorder::links.size(), 1u);
}

TEST(HtmlDrawer, DrawsTheProgramsBitmapsIconsStripsAndStrings)
{
    CPPHtmlDrawer drawer;
    CTestCanvas canvas(600, 120);
    char html[200];
    std::snprintf(html, sizeof(html), "<bmp idres=%d><icon idres=%d width=16 height=16><ilst idres=%d index=2>",
                  IDB_DRAWER_SOLID, IDI_TEST_ART, IDB_DRAWER_STRIP);
    const CSize size = DrawOn(drawer, canvas, html);
    EXPECT_EQ(canvas.Count(kSolidGreen), 8 * 6);
    EXPECT_GT(canvas.Count(RGB(0xE0, 0x20, 0x20)), 0); // the icon's red disc
    EXPECT_EQ(canvas.Count(RGB(0, 0, 255)), 16 * 16);  // frame 2 of the strip
    EXPECT_EQ(canvas.Count(RGB(255, 0, 0)), 0);
    EXPECT_EQ(size.cx, 8 + 16 + 16 + 1);

    std::snprintf(html, sizeof(html), "<string idres=%d>", IDS_DRAWER_TEXT);
    const CSize text = DrawOn(drawer, canvas, html);
    CSize same;
    drawer.PrepareOutput(canvas.Dc(), "Resource text", same);
    EXPECT_EQ(text.cx, same.cx);
    EXPECT_GT(text.cx, 1);
    const CString longText = LoadResourceString(IDS_DRAWER_LONG, GetModuleHandleA(nullptr));
    EXPECT_EQ(longText.GetLength(), 30 * 14);
    EXPECT_EQ(LoadResourceString(0, GetModuleHandleA(nullptr)).GetLength(), 0);

    // A bitmap handed over by handle is drawn and stays its owner's.
    HBITMAP owned = static_cast<HBITMAP>(
        LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDB_DRAWER_SOLID), IMAGE_BITMAP, 0, 0, 0));
    std::snprintf(html, sizeof(html), "<bmp handle=0x%llX width=16 height=12><bmp handle=0xDEADBEEF>",
                  static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(owned)));
    const CSize handled = DrawOn(drawer, canvas, html);
    EXPECT_EQ(canvas.Count(kSolidGreen), 16 * 12);
    EXPECT_EQ(handled.cx, 16 + 1);
    EXPECT_EQ(GetObjectType(owned), static_cast<DWORD>(OBJ_BITMAP));
    DeleteObject(owned);
}

// Measured under Wine 8: a module loaded with LOAD_LIBRARY_AS_DATAFILE |
// LOAD_LIBRARY_AS_IMAGE_RESOURCE gives its bitmaps, icons and strings, and its DllMain does not run.
TEST(HtmlDrawer, ModulesNamedByMarkupAreMappedAsDataOnly)
{
    DeleteFileA(kMarkerFile);
    CPPHtmlDrawer drawer;
    CTestCanvas canvas(400, 100);
    char html[300];
    std::snprintf(html, sizeof(html), "<bmp srcdll=%s iddll=%d><icon srcdll=%s iddll=%d><string srcdll=%s iddll=%d>",
                  kMarkerModule, IDB_MARKER_BLOCK, kMarkerModule, IDI_MARKER_ICON, kMarkerModule, IDS_MARKER_TEXT);
    const CSize size = DrawOn(drawer, canvas, html);
    EXPECT_EQ(canvas.Count(kModuleBlue), 8 * 6);
    EXPECT_GT(canvas.Count(RGB(0xE0, 0x20, 0x20)), 0);
    EXPECT_GT(size.cx, 8 + GetSystemMetrics(SM_CXICON) + 20); // and the string beside them
    EXPECT_FALSE(FileExists(kMarkerFile));

    // The module's code does run when it is loaded to run: the mark above would have shown.
    HMODULE running = LoadLibraryA(kMarkerModule);
    ASSERT_NE(running, nullptr);
    FreeLibrary(running);
    EXPECT_TRUE(FileExists(kMarkerFile));
    DeleteFileA(kMarkerFile);

    // Names that lead nowhere draw nothing and take no room.
    DrawOn(drawer, canvas, "<bmp srcdll=no_such_module.dll iddll=1><bmp iddll=3><bmp file=no_such.bmp>x");
    CSize plain;
    drawer.PrepareOutput(canvas.Dc(), "x", plain);
    EXPECT_EQ(drawer.Core().Records().lines.size(), 1u);
}

// Measured under Wine 8: a fresh prefix opens ".htm" pages through class "htmlfile" with
// "C:\windows\system32\winebrowser.exe" "%1"; the tests' prefix (its template made before the
// shell's associations were registered) has no ".htm" key, so the test registers a class of its
// own. Wine 8's HKEY_CLASSES_ROOT is HKLM\Software\Classes alone (the user's classes are not
// merged in), so that is where it goes.
TEST(HtmlDrawer, TheOpenCommandOfHtmPagesIsReadThroughTheirClass)
{
    CString command;
    if (ReadHtmOpenCommand(&command))
        std::printf("the prefix opens .htm pages with: %s\n", command.GetString());
    HKEY existing = nullptr;
    const bool hadHtm =
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Classes\\.htm", 0, KEY_READ, &existing) == ERROR_SUCCESS;
    if (existing)
        RegCloseKey(existing);
    {
        windowtest::CRegistryValueScope page(HKEY_LOCAL_MACHINE, "Software\\Classes\\.htm", "", "TarnixTestPage");
        windowtest::CRegistryValueScope open(HKEY_LOCAL_MACHINE,
                                             "Software\\Classes\\TarnixTestPage\\shell\\open\\command", "",
                                             "\"C:\\web.exe\" -x \"%1\"");
        ASSERT_TRUE(page.IsSet() && open.IsSet());
        ASSERT_TRUE(ReadHtmOpenCommand(&command));
        EXPECT_EQ(command.str(), "\"C:\\web.exe\" -x \"%1\"");

        // An expandable command has its environment strings expanded.
        HKEY key = nullptr;
        ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Classes\\TarnixTestPage\\shell\\open\\command", 0,
                                KEY_SET_VALUE, &key),
                  ERROR_SUCCESS);
        const char expandable[] = "%WINDIR%\\web.exe %1";
        RegSetValueExA(key, "", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(expandable), sizeof(expandable));
        RegCloseKey(key);
        ASSERT_TRUE(ReadHtmOpenCommand(&command));
        char windows[MAX_PATH] = {};
        GetEnvironmentVariableA("WINDIR", windows, MAX_PATH);
        EXPECT_EQ(command.str(), std::string(windows) + "\\web.exe %1");
    }
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Software\\Classes\\TarnixTestPage");
    if (!hadHtm)
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Classes\\.htm");
}

} // namespace
