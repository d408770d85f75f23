// Balloons on a marked backdrop: the twelve directions, every edge and corner of the screen, and
// one balloon holding a sample document of the markup.

#include "gallery_items.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "framework/AppState.h"
#include "framework/Bitmap.h"
#include "framework/Brush.h"
#include "framework/Icon.h"
#include "framework/WindowDCs.h"
#include "framework/WndClass.h"
#include "gallery_ids.h"
#include "htmltip/PPToolTip.h"
#include "test_art_ids.h"
#include "window/MessagePumping.h"

namespace {

const COLORREF kDesk = RGB(236, 238, 242);
const COLORREF kMark = RGB(200, 0, 0);

// The backdrop: a screen-wide window that marks each point a balloon points at with a cross.
class CBackdrop : public CWnd {
public:
    std::vector<POINT> marks;

protected:
    bool OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override
    {
        if (msg != WM_PAINT)
            return CWnd::OnWndMsg(msg, wParam, lParam, result);
        CPaintDC dc(m_hWnd);
        RECT client;
        GetClientRect(&client);
        dc.FillSolidRect(client, kDesk);
        for (POINT p : marks) {
            dc.FillSolidRect(RECT{p.x - 6, p.y, p.x + 7, p.y + 1}, kMark);
            dc.FillSolidRect(RECT{p.x, p.y - 6, p.x + 1, p.y + 7}, kMark);
        }
        *result = 0;
        return true;
    }
};

// One screen of balloons over its backdrop; the balloons go before the backdrop.
struct SScene {
    CBackdrop backdrop;
    std::vector<std::unique_ptr<CPPToolTip>> tips;

    bool Open()
    {
        const char* cls = AfxRegisterWndClass(0, ::LoadCursor(nullptr, IDC_ARROW));
        if (!backdrop.CreateEx(WS_EX_TOOLWINDOW, cls, "", WS_POPUP | WS_VISIBLE, 0, 0, ::GetSystemMetrics(SM_CXSCREEN),
                               ::GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr))
            return false;
        backdrop.UpdateWindow();
        windowtest::PumpFor(100);
        return true;
    }
    CPPToolTip& Add(POINT at)
    {
        backdrop.marks.push_back(at);
        tips.push_back(std::make_unique<CPPToolTip>());
        tips.back()->Create(backdrop, true);
        tips.back()->SetColorBk(0xFCE9DA);
        return *tips.back();
    }
    // The backdrop paints its marks before the balloons take it as their backdrop.
    void Show(const std::vector<std::pair<POINT, std::string>>& shows)
    {
        backdrop.Invalidate();
        backdrop.UpdateWindow();
        for (size_t i = 0; i < shows.size(); ++i)
            tips[i]->ShowHelpTooltip(shows[i].first, shows[i].second.c_str());
    }
    ~SScene()
    {
        tips.clear();
        if (backdrop.m_hWnd)
            backdrop.DestroyWindow();
    }
};

std::string DirectionText(int direction)
{
    char text[96];
    std::snprintf(text, sizeof text, "<b>direction %d</b><br>pointer %s", direction,
                  direction % 16 == 0   ? "near the first corner"
                  : direction % 16 == 1 ? "near the second"
                                        : "centred");
    return text;
}

} // namespace

bool ShowDirections(windowtest::CGallery& gallery)
{
    SScene scene;
    if (!scene.Open())
        return false;
    // Rows: below the point, above it, right of it, left of it; the three sub-codes across.
    const int rowY[] = {40, 250, 420, 640};
    const int columnX[] = {110, 450, 800};
    std::vector<std::pair<POINT, std::string>> shows;
    int i = 0;
    for (int side = 0; side < 4; ++side) {
        for (int sub = 0; sub < 3; ++sub, ++i) {
            const int direction = side * 16 + sub;
            POINT at = {columnX[sub] - (side == 3 ? -180 : 0), rowY[side] + (side >= 2 ? sub * 70 - 70 : 0)};
            scene.Add(at).SetDirection(direction);
            shows.emplace_back(at, DirectionText(direction));
        }
    }
    scene.Show(shows);
    return gallery.ShowItem("htmltip-directions", scene.backdrop);
}

bool ShowEdges(windowtest::CGallery& gallery)
{
    SScene scene;
    if (!scene.Open())
        return false;
    const int cx = ::GetSystemMetrics(SM_CXSCREEN);
    const int cy = ::GetSystemMetrics(SM_CYSCREEN);
    const POINT points[] = {{4, 4},           {cx / 2, 4}, {cx - 5, 4},      {4, cy / 2},
                            {cx - 5, cy / 2}, {4, cy - 5}, {cx / 2, cy - 5}, {cx - 5, cy - 5}};
    std::vector<std::pair<POINT, std::string>> shows;
    for (POINT p : points) {
        scene.Add(p); // the main window's direction: above the point, pointer near the left
        char text[64];
        std::snprintf(text, sizeof text, "at %d, %d", int(p.x), int(p.y));
        shows.emplace_back(p, text);
    }
    scene.Show(shows);
    return gallery.ShowItem("htmltip-edges", scene.backdrop);
}

bool ShowDocument(windowtest::CGallery& gallery)
{
    SScene scene;
    if (!scene.Open())
        return false;
    CIcon icon;
    icon.Load(IDI_TEST_ART, 32, 32);
    char document[2048];
    std::snprintf(document, sizeof document,
                  "<center><font size=5 color=navy><b>Transfer complete</b></font></center><br>"
                  "<hr width=100%% size=1 color=gray><br>"
                  "<font face=\"Courier New\">photo-2024.jpg</font> from <i>someone@example.com</i><br>"
                  "<font color=#C00000>red</font>, <font color=green>green</font>, "
                  "<font bkgnd=yellow>marked</font>, <u>underlined</u>, <s>struck</s>, <font size=2>small</font> "
                  "and <font size=6>large</font><br>"
                  "<table border=1 cellpadding=3 bgcolor=#F0F4FF>"
                  "<tr><td colspan=2 bgcolor=#DDE6FF><b>Two columns</b></td><td rowspan=2 valign=vcenter>"
                  "<icon handle=0x%X width=32 height=32></td></tr>"
                  "<tr><td>Size</td><td align=right>4.2 MB</td></tr>"
                  "<tr><td><bmp idres=%d mask></td><td>strip <ilst idres=%d mask cx=16 speed=5></td>"
                  "<td bgeffect=hgradient bgcolor=#FFFFFF bgendcolor=#FFD080>gradient</td></tr>"
                  "</table>"
                  "<br><hr width=50%% size=2><br>"
                  "<a href=\"http://example.com\">Open the web page</a> or <a msg=\"open\">open the file</a>",
                  static_cast<unsigned>(reinterpret_cast<UINT_PTR>(icon.GetSafeHandle())), IDB_GALLERY_FACE,
                  IDB_GALLERY_STRIP);
    CPPToolTip& tip = scene.Add(POINT{520, 700});
    tip.SetSize(BALLOON_MARGIN_X, 4);
    tip.SetSize(BALLOON_MARGIN_Y, 4);
    tip.SetBorder(RGB(90, 90, 120));
    scene.Show({{POINT{520, 700}, document}});
    return gallery.ShowItem("htmltip-document", scene.backdrop);
}
