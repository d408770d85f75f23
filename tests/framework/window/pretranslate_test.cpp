#include <gtest/gtest.h>

#include "framework/AppState.h"
#include "framework/WndClass.h"
#include "trace_windows.h"
#include "window/MessagePumping.h"
#include "window_test_ids.h"

TEST(PreTranslateMessage, OffersControlDialogOwnerThenMainWindowEachOnceUntilConsumed)
{
    Trace trace;
    CTracedWnd main("main", &trace);
    ASSERT_TRUE(main.CreateEx(0, AfxRegisterWndClass(0), "main", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr));
    CTracedDialog owner("owner", &trace, IDD_EMPTY);
    ASSERT_TRUE(owner.Create());
    CTracedDialog dialog("dialog", &trace, IDD_FORM, &owner);
    ASSERT_TRUE(dialog.Create());
    CTracedWnd control("control", &trace);
    ASSERT_TRUE(control.SubclassDlgItem(IDC_TEXT, dialog));
    AfxSetMainWnd(&main);

    control.PostMessage(WM_APP + 1);
    windowtest::PumpUntil([&] { return trace.size() >= 5; }, 2000);
    EXPECT_EQ(trace, (Trace{"control", "dialog", "owner", "main", "control got"}));

    // The first object that takes the message ends it: no one after it, no dispatch.
    trace.clear();
    dialog.consume = WM_APP + 2;
    control.PostMessage(WM_APP + 2);
    windowtest::PumpFor(100);
    EXPECT_EQ(trace, (Trace{"control", "dialog"}));

    // The main window on the chain is asked once, in its place on the chain.
    trace.clear();
    AfxSetMainWnd(&owner);
    control.PostMessage(WM_APP + 1);
    windowtest::PumpUntil([&] { return trace.size() >= 4; }, 2000);
    EXPECT_EQ(trace, (Trace{"control", "dialog", "owner", "control got"}));
    AfxSetMainWnd(nullptr);
}
