#include <algorithm>
#include <string>

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "controls_host_ids.h"
#include "framework/Clipboard.h"
#include "framework/Menu.h"
#include "framework/Rect.h"
#include "support/ControlsHost.h"
#include "ui/InPlaceEdit.h"
#include "window/Input.h"
#include "window/MessagePumping.h"
#include "window/ModalDriver.h"

namespace {

using windowtest::PumpUntil;

// The host shown in front, where the pointer can reach it: topmost, so that the windows other
// test programs show meanwhile stay behind it.
struct SShownHost {
    CControlsHost host;
    SShownHost()
    {
        if (host.Create()) {
            host.SetWindowPos(HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
            host.ShowWindow(SW_SHOW);
            host.SetForegroundWindow();
            windowtest::PumpFor(100);
        }
    }
};

void MoveCursorTo(HWND window, POINT client)
{
    ::ClientToScreen(window, &client);
    ::SetCursorPos(client.x, client.y);
}

LPARAM At(POINT point)
{
    return MAKELPARAM(point.x, point.y);
}

// Ctrl held, as the thread's keyboard state says, for the length of a scope.
class CCtrlHeld {
public:
    CCtrlHeld()
    {
        ::GetKeyboardState(m_saved);
        BYTE held[256];
        ::GetKeyboardState(held);
        held[VK_CONTROL] = held[VK_LCONTROL] = 0x80;
        ::SetKeyboardState(held);
    }
    ~CCtrlHeld() { ::SetKeyboardState(m_saved); }

private:
    BYTE m_saved[256];
};

} // namespace

TEST(ButtonPointer, HoverNeedsThePointerArrivingWithTheButtonUpAndAReleaseOutsideGivesNormal)
{
    SShownHost shown;
    CTNButton& button = shown.host.button;
    ASSERT_TRUE(button.SetBitmaps(IDB_HOST_BUTTON, IDB_HOST_BUTTON_HOVER, IDB_HOST_BUTTON_PRESSED));
    CRect client;
    button.GetClientRect(client);
    const CPoint inside = client.CenterPoint();

    // Dragged in from elsewhere with the button held: no hover. (The pointer is put there while
    // the button is disabled, so the system's own move does not reach it.)
    button.EnableWindow(FALSE);
    MoveCursorTo(button, inside);
    windowtest::PumpFor(200);
    button.EnableWindow(TRUE);
    button.PostMessage(WM_MOUSEMOVE, MK_LBUTTON, At(inside));
    ASSERT_TRUE(windowtest::PumpPending());
    EXPECT_EQ(button.GetDrawState(), CTNButton::kNormal);

    button.PostMessage(WM_MOUSEMOVE, 0, At(inside));
    ASSERT_TRUE(PumpUntil([&] { return button.GetDrawState() == CTNButton::kHover; }));
    // The pointer leaving ends the hover.
    MoveCursorTo(shown.host, CPoint(2, 2));
    EXPECT_TRUE(PumpUntil([&] { return button.GetDrawState() == CTNButton::kNormal; }));

    // Pressed, then released outside: normal; released inside: hover.
    button.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, At(inside));
    EXPECT_EQ(button.GetDrawState(), CTNButton::kPressed);
    button.SendMessage(WM_LBUTTONUP, 0, At(CPoint(client.right + 20, inside.y)));
    EXPECT_EQ(button.GetDrawState(), CTNButton::kNormal);
    MoveCursorTo(button, inside);
    button.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, At(inside));
    button.SendMessage(WM_LBUTTONUP, 0, At(inside));
    EXPECT_EQ(button.GetDrawState(), CTNButton::kHover);
}

TEST(ButtonPointer, TheShapedButtonsGreenBorderBelongsToTheParent)
{
    SShownHost shown;
    CTNButtonTr& button = shown.host.shapedButton;
    ASSERT_TRUE(button.SetBitmaps(IDB_HOST_BUTTON, IDB_HOST_BUTTON_HOVER, IDB_HOST_BUTTON_PRESSED));
    windowtest::PumpFor(100);
    auto under = [&](POINT client) {
        ::ClientToScreen(button, &client);
        return ::WindowFromPoint(client);
    };
    // The test art is green two pixels deep around its frame; the window is two pixels wider.
    EXPECT_EQ(under(CPoint(1, 12)), shown.host.m_hWnd);
    EXPECT_EQ(under(CPoint(30, 1)), shown.host.m_hWnd);
    EXPECT_EQ(under(CPoint(65, 25)), shown.host.m_hWnd);
    EXPECT_EQ(under(CPoint(30, 12)), button.m_hWnd);

    // It still clicks like a push button.
    shown.host.commands.clear();
    button.SendMessage(BM_CLICK);
    EXPECT_EQ(shown.host.commands, std::vector<int>{IDC_HOST_BUTTON_TR});
}

TEST(ListPointer, AStatusCellClickAfterAColumnWasHiddenAsksForThatColumnsMenu)
{
    SShownHost shown;
    CControlsHost& host = shown.host;
    FillTransfers(host);
    CMenu menu;
    ASSERT_TRUE(menu.CreatePopupMenu());
    menu.AppendMenu(MF_STRING, ID_HOST_MENU_FIRST, "Pause");
    menu.AppendMenu(MF_STRING, ID_HOST_MENU_SECOND, "Cancel");
    host.statusMenu = menu;
    // Hiding a column moves it behind the others: the status column now stands where it was.
    host.list.ToggleColumn(kColumnSize);

    CRect bounds, status;
    const int row = host.list.PositionToRow(2, 1);
    host.list.GetItemRect(row, bounds, LVIR_BOUNDS);
    host.list.GetHeader().GetItemRect(kColumnState, status);
    host.Forget();
    windowtest::CModalDriver escape("#32768", [](HWND popup) { ::PostMessageA(popup, WM_KEYDOWN, VK_ESCAPE, 0); });
    windowtest::PostClick(host.list, CPoint((status.left + status.right) / 2, bounds.CenterPoint().y));
    ASSERT_TRUE(PumpUntil([&] { return escape.Done(); }));
    int menuRequests = 0;
    for (const SListCellRequest& request : host.requests) {
        if (request.mask & kCellMenu) {
            ++menuRequests;
            EXPECT_EQ(request.column, kColumnState);
            EXPECT_EQ(request.group, 1);
            EXPECT_EQ(request.position, 2);
        }
    }
    EXPECT_EQ(menuRequests, 1);
    host.statusMenu = nullptr;
}

TEST(InPlaceEditKeys, CtrlCAndCtrlVReachTheEditorBeforeTheHostsAccelerators)
{
    SShownHost shown;
    CControlsHost& host = shown.host;
    ACCEL copy = {FCONTROL | FVIRTKEY, 'C', ID_HOST_COPY};
    host.accelerators = ::CreateAcceleratorTableA(&copy, 1);
    ASSERT_TRUE(host.accelerators);
    CRect cell;
    host.editList.GetSubItemRect(0, 1, LVIR_BOUNDS, cell);
    auto* editor = new CInPlaceEdit(0, 1, "ann@tarnix.test");
    ASSERT_TRUE(editor->Create(WS_BORDER | WS_VISIBLE | ES_AUTOHSCROLL, cell, host.editList, 77));
    HWND edit = editor->m_hWnd;
    {
        CCtrlHeld ctrl;
        ASSERT_TRUE(CopyTextToClipboard(host, ""));
        windowtest::PostKey(edit, 'C');
        ASSERT_TRUE(windowtest::PumpPending());
        EXPECT_EQ(windowtest::ClipboardText(host), "ann@tarnix.test");
        ASSERT_TRUE(CopyTextToClipboard(host, "bob@tarnix.test"));
        ::SendMessageA(edit, EM_SETSEL, 0, -1);
        windowtest::PostKey(edit, 'V');
        ASSERT_TRUE(windowtest::PumpPending());
    }
    char text[64] = {};
    ::GetWindowTextA(edit, text, sizeof(text));
    EXPECT_STREQ(text, "bob@tarnix.test");
    EXPECT_EQ(std::count(host.commands.begin(), host.commands.end(), ID_HOST_COPY), 0);
    ::DestroyWindow(edit);
    ::DestroyAcceleratorTable(host.accelerators);
}
