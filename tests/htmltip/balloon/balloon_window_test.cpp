// The balloon window as the main window uses it: shown at a point, placed on the screen, drawn
// over what lies beneath, clicked, closed and faded, through the framework's pump.

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/Brush.h"
#include "framework/Rgn.h"
#include "framework/WndClass.h"
#include "htmltip/PPToolTip.h"
#include "window/Input.h"
#include "window/MessagePumping.h"
#include "window/ScreenGrab.h"
#include "drawer_art_ids.h"

using windowtest::CTestCanvas;
using windowtest::GrabScreen;
using windowtest::PostClick;
using windowtest::PostKey;
using windowtest::PostMouseMove;
using windowtest::PumpFor;
using windowtest::PumpPending;
using windowtest::PumpUntil;
using windowtest::StepTimer;

namespace {

const COLORREF kBackdrop = RGB(40, 120, 200);
const COLORREF kBalloon = RGB(0xDA, 0xE9, 0xFC); // the main window's 0xFCE9DA
const UINT kLinkMessage = 0x8100;
const UINT kClickCommand = 1000;
const LPARAM kLinkParam = 77;

// The balloon's owner and notify window: a screen-wide solid window that relays its thread's
// messages to the balloon and records what the balloon sends it.
class COwner : public CWnd {
public:
    CPPToolTip* tip = nullptr;
    std::vector<WPARAM> commands;
    std::vector<LPARAM> clientAreaClicks;
    LRESULT clientAreaAnswer = 1;
    std::vector<std::string> links;
    std::function<void(SPPToolTipDisplay*)> onDisplay;

    BOOL PreTranslateMessage(MSG* msg) override
    {
        if (tip)
            tip->RelayEvent(msg);
        return FALSE;
    }

protected:
    bool OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override
    {
        static const UINT clientArea = RegisterWindowMessageA("WM_TOOLTIP_CLIENT_AREA");
        if (msg == WM_COMMAND) {
            commands.push_back(wParam);
            return true;
        }
        if (msg == clientArea) {
            clientAreaClicks.push_back(lParam);
            *result = clientAreaAnswer;
            return true;
        }
        if (msg == kLinkMessage) {
            links.push_back(reinterpret_cast<const char*>(wParam));
            return true;
        }
        if (msg == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->code == PPTOOLTIP_NOTIFY_DISPLAY) {
            if (onDisplay)
                onDisplay(reinterpret_cast<SPPToolTipDisplay*>(lParam));
            return true;
        }
        return CWnd::OnWndMsg(msg, wParam, lParam, result);
    }
};

// Counts the left clicks that reach the default handling.
class CRecordingTip : public CPPToolTip {
public:
    int defaultClicks = 0;
    LRESULT DefWindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override
    {
        if (msg == WM_LBUTTONDOWN)
            ++defaultClicks;
        return CPPToolTip::DefWindowProc(msg, wParam, lParam);
    }
};

class BalloonWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        static CBrush backdrop(kBackdrop);
        const char* cls = AfxRegisterWndClass(0, LoadCursor(nullptr, IDC_ARROW), backdrop);
        ASSERT_NE(nullptr, cls);
        ASSERT_TRUE(owner.CreateEx(WS_EX_TOOLWINDOW, cls, "", WS_POPUP | WS_VISIBLE, 0, 0,
                                   GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr));
        ASSERT_TRUE(tip.Create(owner, true));
        owner.tip = &tip;
        tip.SetColorBk(0xFCE9DA);
        tip.SetNotifyWindow(owner);
        tip.SetClickCommand(kClickCommand, true);
        tip.SetLinkMessage(owner, kLinkMessage, kLinkParam);
        tip.SetBehaviour(24);
        owner.UpdateWindow();
        PumpFor(100);
    }
    void TearDown() override
    {
        owner.tip = nullptr;
        tip.DestroyWindow();
        owner.DestroyWindow();
    }

    RECT WindowRect()
    {
        RECT r;
        tip.GetWindowRect(&r);
        return r;
    }
    // A point of the balloon's client area, on the screen.
    POINT OnScreen(POINT client)
    {
        tip.ClientToScreen(&client);
        return client;
    }

    COwner owner;
    CRecordingTip tip;
};

const char kText[] = "Transfer complete<br>photo.jpg from someone@example.com";

} // namespace

TEST_F(BalloonWindow, EveryDirectionNearEveryEdgeKeepsTheBalloonOnScreenPointingAtThePoint)
{
    const int cx = GetSystemMetrics(SM_CXSCREEN);
    const int cy = GetSystemMetrics(SM_CYSCREEN);
    const POINT points[] = {{5, 5},           {cx - 5, 5}, {5, cy - 5},      {cx - 5, cy - 5}, {cx / 2, 5},
                            {cx / 2, cy - 5}, {5, cy / 2}, {cx - 5, cy / 2}, {cx / 2, cy / 2}};
    for (int direction : {0, 1, 2, 16, 17, 18, 32, 33, 34, 48, 49, 50}) {
        tip.SetDirection(direction);
        for (POINT p : points) {
            tip.ShowHelpTooltip(p, kText);
            ASSERT_TRUE(tip.IsWindowVisible()) << direction;
            const SBalloonLayout& l = tip.GetLayout();
            const RECT r = WindowRect();
            EXPECT_EQ(l.window.left, r.left);
            EXPECT_EQ(l.window.top, r.top);
            EXPECT_EQ(p.x, r.left + l.tip.x) << direction << " at " << p.x << "," << p.y;
            EXPECT_EQ(p.y, r.top + l.tip.y) << direction << " at " << p.x << "," << p.y;
            // Along its pointer's edge the balloon is on the screen.
            if (l.direction < 32) {
                EXPECT_GE(r.left, 0);
                EXPECT_LE(l.window.right, cx);
            } else {
                EXPECT_GE(r.top, 0);
                EXPECT_LE(l.window.bottom, cy);
            }
            // The window's region holds the pointer next to its tip (a pointer near the second
            // corner has its upright side at the tip, outside a polygon's fill: one pixel in).
            CRgn region;
            ASSERT_TRUE(region.CreateRectRgn(0, 0, 0, 0));
            ASSERT_NE(ERROR, GetWindowRgn(tip, region));
            const int side = l.direction & 0x30;
            const int along = (l.direction & 0x0F) == 1 ? -1 : 0;
            const int dx = side == 32 ? 2 : side == 48 ? -2 : along;
            const int dy = side == 0 ? 2 : side == 16 ? -2 : along;
            EXPECT_TRUE(region.PtInRegion(l.tip.x + dx, l.tip.y + dy)) << direction << " at " << p.x << "," << p.y;
            tip.HideTooltip();
            EXPECT_FALSE(tip.IsWindowVisible());
        }
    }
    tip.SetDirection(16);
    tip.ShowHelpTooltip(POINT{cx / 2, 10}, kText);
    EXPECT_EQ(0, tip.GetLayout().direction) << "above turns below near the top";
}

TEST_F(BalloonWindow, ShowsOpaqueAtOnceOverWhatLiesBeneathAndClosesOnClicksAndKeys)
{
    const POINT at = {500, 400};
    tip.ShowHelpTooltip(at, kText);
    EXPECT_EQ(PPTOOLTIP_STATE_SHOWN, tip.GetState());
    EXPECT_EQ(0, tip.GetTransparency());
    RECT r = WindowRect();
    const SBalloonLayout l = tip.GetLayout();
    const int middleY = (l.body.top + l.body.bottom) / 2;
    // A loaded display may take a while to show what was painted.
    std::unique_ptr<CTestCanvas> shot;
    PumpUntil([&] {
        shot = GrabScreen(r);
        return shot && shot->Pixel(l.body.left + 4, middleY) == kBalloon;
    });
    ASSERT_NE(nullptr, shot);
    EXPECT_EQ(kBalloon, shot->Pixel(l.body.left + 4, middleY)) << "the body's margin";
    EXPECT_EQ(kBackdrop, shot->Pixel(1, 1)) << "outside the rounded corner";
    // The shadow strip on the right: darker than what lies beneath, not black.
    const COLORREF shade = shot->Pixel(r.right - r.left - 3, middleY);
    EXPECT_LT(GetBValue(shade), GetBValue(kBackdrop));
    EXPECT_GT(GetBValue(shade), 0);

    // At the screen's right edge the shadow's right part lies off the screen; the part below
    // the balloon still darkens what is beneath.
    tip.ShowHelpTooltip(POINT{GetSystemMetrics(SM_CXSCREEN) - 5, at.y}, kText);
    RECT edge = WindowRect();
    const int belowY = tip.GetLayout().body.bottom + 3;
    PumpUntil([&] {
        shot = GrabScreen(RECT{edge.left, edge.top, GetSystemMetrics(SM_CXSCREEN), edge.bottom});
        return shot && shot->Pixel(40, belowY) != kBackdrop;
    });
    ASSERT_NE(nullptr, shot);
    const COLORREF below = shot->Pixel(40, belowY);
    EXPECT_LT(GetBValue(below), GetBValue(kBackdrop));
    EXPECT_GT(GetBValue(below), 0);

    // Shown again at once a little up and left: its shadow falls where the balloon it replaced
    // was, and still darkens the owner, not that balloon.
    tip.ShowHelpTooltip(POINT{at.x - 6, at.y - 6}, kText);
    r = WindowRect();
    PumpUntil([&] {
        shot = GrabScreen(r);
        return shot && shot->Pixel(r.right - r.left - 3, middleY) == shade;
    });
    ASSERT_NE(nullptr, shot);
    EXPECT_EQ(shade, shot->Pixel(r.right - r.left - 3, middleY));

    // Pinned: mouse moves over the owner change nothing.
    PostMouseMove(owner, POINT{100, 100});
    PostMouseMove(owner, POINT{120, 90});
    PumpPending();
    EXPECT_TRUE(tip.IsWindowVisible());
    // A right click anywhere in the thread closes it, and so does a key.
    PostClick(owner, POINT{100, 100}, true);
    PumpPending();
    EXPECT_FALSE(tip.IsWindowVisible());
    EXPECT_EQ(PPTOOLTIP_STATE_HIDDEN, tip.GetState());
    tip.ShowHelpTooltip(at, kText);
    PostKey(owner, VK_ESCAPE);
    PumpPending();
    EXPECT_FALSE(tip.IsWindowVisible());
    tip.ShowHelpTooltip(at, kText);
    tip.HideTooltip();
    EXPECT_FALSE(tip.IsWindowVisible());
    // Nothing to show: an empty text, or one the notify window empties.
    tip.ShowHelpTooltip(at, "");
    EXPECT_FALSE(tip.IsWindowVisible());
    owner.onDisplay = [](SPPToolTipDisplay* d) { d->tool->text.Empty(); };
    tip.ShowHelpTooltip(at, kText);
    EXPECT_FALSE(tip.IsWindowVisible());
    EXPECT_EQ(PPTOOLTIP_STATE_HIDDEN, tip.GetState());
}

TEST_F(BalloonWindow, ClicksReachTheOwnerOncePerPath)
{
    const POINT at = {500, 400};
    tip.ShowHelpTooltip(at, kText);
    PumpFor(100);
    const SBalloonLayout l = tip.GetLayout();
    // The hot square, 8 in from the body's top right corner.
    PostClick(tip, POINT{l.body.right - 16, l.body.top + 16});
    PumpPending();
    ASSERT_EQ(1u, owner.commands.size());
    EXPECT_EQ(MAKEWPARAM(kClickCommand, kLinkParam), owner.commands[0]);
    EXPECT_TRUE(owner.clientAreaClicks.empty());
    // Elsewhere: the client-area message; default handling unless the owner answers 1.
    const POINT margin = {l.body.left + 4, l.body.bottom - 4};
    PostClick(tip, margin);
    PumpPending();
    ASSERT_EQ(1u, owner.clientAreaClicks.size());
    EXPECT_EQ(kLinkParam, owner.clientAreaClicks[0]);
    EXPECT_EQ(0, tip.defaultClicks);
    owner.clientAreaAnswer = 0;
    PostClick(tip, margin);
    PumpPending();
    EXPECT_EQ(2u, owner.clientAreaClicks.size());
    EXPECT_EQ(1, tip.defaultClicks);
    EXPECT_EQ(1u, owner.commands.size());
    EXPECT_TRUE(tip.IsWindowVisible()) << "left clicks on the balloon do not close it";

    // A link: the balloon and its owner both relay the click, the link acts once.
    owner.clientAreaAnswer = 1;
    tip.ShowHelpTooltip(at, "<a msg=\"open\">open the file</a>");
    PumpFor(100);
    const SBalloonLayout link = tip.GetLayout();
    PostClick(tip, POINT{link.body.left + 12 + 3, link.body.top + 12 + 3});
    PumpPending();
    ASSERT_EQ(1u, owner.links.size());
    EXPECT_EQ("open", owner.links[0]);
    EXPECT_EQ(3u, owner.clientAreaClicks.size()) << "and the balloon's own click message goes too";
}

TEST_F(BalloonWindow, DeactivationClosesUnlessTheWindowStaysOnLeaving)
{
    const POINT at = {300, 300};
    tip.ShowHelpTooltip(at, kText);
    tip.SendMessage(WM_ACTIVATEAPP, FALSE, 0);
    EXPECT_TRUE(tip.IsWindowVisible()) << "behaviour 24 stays";
    tip.SetBehaviour(0);
    tip.SendMessage(WM_ACTIVATEAPP, TRUE, 0);
    EXPECT_TRUE(tip.IsWindowVisible());
    tip.SendMessage(WM_ACTIVATEAPP, FALSE, 0);
    EXPECT_FALSE(tip.IsWindowVisible());
}

TEST_F(BalloonWindow, NotifyWindowChangesTheToolBeforeTheShow)
{
    POINT seenPoint = {};
    owner.onDisplay = [&](SPPToolTipDisplay* d) {
        EXPECT_EQ(nullptr, d->hdr.hwndFrom);
        EXPECT_EQ(nullptr, d->toolId);
        seenPoint = *d->point;
        EXPECT_EQ(kText, std::string(d->tool->text));
        EXPECT_EQ(24u | PPTOOLTIP_NO_CLOSE, d->tool->behaviour);
        d->tool->text = std::string(200, 'w');
    };
    tip.ShowHelpTooltip(POINT{600, 500}, kText);
    EXPECT_EQ(600, seenPoint.x);
    const int wide = tip.GetLayout().body.Width();
    owner.onDisplay = nullptr;
    tip.ShowHelpTooltip(POINT{600, 500}, "w");
    EXPECT_GT(wide, tip.GetLayout().body.Width() + 100);
}

TEST_F(BalloonWindow, FadesStepByStepWhenDelaysAskForIt)
{
    tip.SetDelayTime(PPTOOLTIP_DELAY_FADE_IN, 60000); // stepped by hand below
    tip.SetDelayTime(PPTOOLTIP_DELAY_FADE_OUT, 60000);
    tip.SetDelayTime(PPTOOLTIP_DELAY_AUTOPOP, 60000);
    tip.ShowHelpTooltip(POINT{400, 400}, kText);
    EXPECT_EQ(PPTOOLTIP_STATE_APPEARING, tip.GetState());
    EXPECT_EQ(100, tip.GetTransparency());
    EXPECT_TRUE(tip.IsWindowVisible());
    for (int expected : {80, 60, 40, 20}) {
        StepTimer(tip, CPPToolTip::TIMER_FADE_IN);
        EXPECT_EQ(expected, tip.GetTransparency());
        EXPECT_EQ(PPTOOLTIP_STATE_APPEARING, tip.GetState());
    }
    StepTimer(tip, CPPToolTip::TIMER_FADE_IN);
    EXPECT_EQ(0, tip.GetTransparency());
    EXPECT_EQ(PPTOOLTIP_STATE_SHOWN, tip.GetState());

    // A new show while shown waits for the fade-out to end.
    tip.ShowHelpTooltip(POINT{200, 200}, "next");
    EXPECT_EQ(PPTOOLTIP_STATE_DISAPPEARING, tip.GetState());
    for (int i = 0; i < 4; ++i) {
        StepTimer(tip, CPPToolTip::TIMER_FADE_OUT);
        EXPECT_EQ(20 * (i + 1), tip.GetTransparency());
    }
    StepTimer(tip, CPPToolTip::TIMER_FADE_OUT);
    EXPECT_EQ(PPTOOLTIP_STATE_APPEARING, tip.GetState()) << "the waiting show starts";
    EXPECT_EQ(200, WindowRect().left + tip.GetLayout().tip.x);

    // Autopop: a tool without the no-close bit starts hiding by itself (the help tooltip has it).
    for (int i = 0; i < 5; ++i)
        StepTimer(tip, CPPToolTip::TIMER_FADE_IN);
    EXPECT_EQ(PPTOOLTIP_STATE_SHOWN, tip.GetState());
    tip.HideTooltip();
    for (int i = 0; i < 5; ++i)
        StepTimer(tip, CPPToolTip::TIMER_FADE_OUT);
    EXPECT_FALSE(tip.IsWindowVisible());
    EXPECT_EQ(PPTOOLTIP_STATE_HIDDEN, tip.GetState());
}

TEST_F(BalloonWindow, AnimatedStripRepaintsOnTheAnimationTimer)
{
    char text[64];
    std::snprintf(text, sizeof text, "<ilst idres=%d cx=16 speed=1>", IDB_DRAWER_STRIP);
    KillTimer(tip, CPPToolTip::TIMER_ANIMATION); // stepped by hand below
    tip.ShowHelpTooltip(POINT{400, 400}, text);
    PumpFor(100);
    const SBalloonLayout l = tip.GetLayout();
    auto frameColour = [&] {
        PumpFor(50);
        const RECT r = WindowRect();
        auto shot = GrabScreen(r);
        return shot ? shot->Pixel(l.body.left + 12 + 8, l.body.top + 12 + 8) : CLR_INVALID;
    };
    const COLORREF first = frameColour();
    EXPECT_EQ(RGB(255, 0, 0), first);
    StepTimer(tip, CPPToolTip::TIMER_ANIMATION);
    EXPECT_EQ(RGB(0, 255, 0), frameColour());
    StepTimer(tip, CPPToolTip::TIMER_ANIMATION);
    EXPECT_EQ(RGB(0, 0, 255), frameColour());
    // Hidden, the strip stands still.
    tip.HideTooltip();
    StepTimer(tip, CPPToolTip::TIMER_ANIMATION);
    tip.ShowHelpTooltip(POINT{400, 400}, text);
    PumpFor(100);
    EXPECT_EQ(RGB(255, 0, 0), frameColour()) << "a new show starts at the first frame";
}

TEST_F(BalloonWindow, HostileTextInTheIconTableStaysWithinTheScreen)
{
    const int cx = GetSystemMetrics(SM_CXSCREEN);
    const int cy = GetSystemMetrics(SM_CYSCREEN);
    HICON icon = LoadIcon(nullptr, IDI_INFORMATION);
    const std::string hostile[] = {
        "<br=2147483647>x",
        "<hr size=2147483647 width=2147483647>",
        "<table width=2147483647 height=2147483647 cellpadding=2147483647><tr><td>x</td></tr></table>",
        "</td></tr></table><table><tr><td colspan=2147483647 rowspan=-1>x",
        std::string(20000, 'w'),
        "<t=2147483647><font size=99999999999>big</font>",
    };
    for (const std::string& text : hostile) {
        const DWORD start = GetTickCount();
        tip.ShowHelpTooltip(POINT{cx / 2, cy / 2}, text.c_str(), icon);
        EXPECT_LT(GetTickCount() - start, 5000u) << text.substr(0, 40);
        if (!tip.IsWindowVisible())
            continue;
        const RECT r = WindowRect();
        EXPECT_LE(r.right - r.left, cx) << text.substr(0, 40);
        EXPECT_LE(r.bottom - r.top, cy) << text.substr(0, 40);
        PumpPending();
        tip.HideTooltip();
    }
}
