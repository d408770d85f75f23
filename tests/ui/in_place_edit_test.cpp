#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "controls_host_ids.h"
#include "framework/Rect.h"
#include "support/ControlsHost.h"
#include "ui/InPlaceEdit.h"
#include "window/FocusWatch.h"
#include "window/Input.h"
#include "window/MessagePumping.h"

namespace {

const UINT kEditorId = 77;

// An editor over the e-mail cell of row 0; its window.
HWND OpenEditor(CControlsHost& host, int width)
{
    CRect cell;
    host.editList.GetSubItemRect(0, 1, LVIR_BOUNDS, cell);
    cell.right = cell.left + width;
    auto* editor = new CInPlaceEdit(0, 1, "ann@tarnix.test");
    if (!editor->Create(WS_BORDER | WS_VISIBLE | ES_AUTOHSCROLL, cell, host.editList, kEditorId))
        return nullptr; // the editor deleted itself with its window
    return editor->m_hWnd;
}

void Type(HWND editor, const char* text)
{
    for (const char* ch = text; *ch; ++ch)
        ::PostMessageA(editor, WM_CHAR, static_cast<unsigned char>(*ch), 1);
}

} // namespace

// The editor ends when it loses the focus, as it must, and another program's window coming to the
// front takes it now and then (window/FocusWatch.h): a run interrupted so is run again.

TEST(InPlaceEdit, EscapeCancelsEnterAndTabAcceptAndTheListsParentIsTold)
{
    for (UINT key : {VK_ESCAPE, VK_RETURN, VK_TAB}) {
        SCOPED_TRACE(key);
        bool ran = false;
        for (int attempt = 0; attempt < windowtest::kFocusAttempts && !ran; ++attempt) {
            CControlsHost host;
            ASSERT_TRUE(host.Create());
            host.ShowWindow(SW_SHOWNA);
            windowtest::CFocusWatch watch;
            HWND editor = OpenEditor(host, 150);
            ASSERT_TRUE(editor);
            const bool focused = ::GetFocus() == editor;
            Type(editor, "bob");
            windowtest::PostKey(editor, key);
            ASSERT_TRUE(windowtest::PumpUntil([&] { return !::IsWindow(editor); }));
            if (watch.FocusTakenFromOutside())
                continue;
            ran = true;
            EXPECT_TRUE(focused);
            ASSERT_EQ(host.labelEdits.size(), 1u);
            const SLabelEdit& edit = host.labelEdits[0];
            EXPECT_EQ(edit.from, host.editList.m_hWnd);
            EXPECT_EQ(edit.idFrom, kEditorId);
            EXPECT_EQ(edit.listId, static_cast<WPARAM>(IDC_HOST_EDIT_LIST));
            EXPECT_EQ(edit.item, 0);
            EXPECT_EQ(edit.subItem, 1);
            EXPECT_EQ(edit.cancelled, key == VK_ESCAPE);
            EXPECT_EQ(edit.text, key == VK_ESCAPE ? "" : "bob");
        }
        EXPECT_TRUE(ran) << "every run lost the focus to another program";
    }
}

TEST(InPlaceEdit, GrowsWithItsTextUpToTheListsRightEdge)
{
    for (int attempt = 0; attempt < windowtest::kFocusAttempts; ++attempt) {
        CControlsHost host;
        ASSERT_TRUE(host.Create());
        host.ShowWindow(SW_SHOWNA);
        windowtest::CFocusWatch watch;
        HWND editor = OpenEditor(host, 40);
        ASSERT_TRUE(editor);
        auto right = [&] {
            CRect rect;
            ::GetWindowRect(editor, rect);
            ::MapWindowPoints(nullptr, host.editList, reinterpret_cast<POINT*>(static_cast<RECT*>(rect)), 2);
            return rect.right;
        };
        CRect list;
        host.editList.GetClientRect(list);
        const LONG start = right();
        Type(editor, "carol@");
        ASSERT_TRUE(windowtest::PumpPending());
        const LONG grown = right();
        Type(editor, "a-very-long-address-that-will-never-fit-into-the-list.tarnix.test");
        ASSERT_TRUE(windowtest::PumpPending());
        const LONG full = right();
        if (watch.FocusTakenFromOutside())
            continue;
        EXPECT_GT(grown, start);
        EXPECT_LT(grown, list.right);
        EXPECT_EQ(full, list.right);
        // Destroyed from outside while it has the focus (its dialog closing), it still reports once.
        host.labelEdits.clear();
        ::DestroyWindow(editor);
        EXPECT_EQ(host.labelEdits.size(), 1u);
        return;
    }
    FAIL() << "every run lost the focus to another program";
}
