#include <functional>

#include <gtest/gtest.h>

#include "framework/AppState.h"
#include "framework/WndClass.h"
#include "trace_windows.h"
#include "window/Input.h"
#include "window/MessagePumping.h"
#include "window_test_ids.h"

namespace {

const UINT END_REQUEST = WM_APP + 200; // wParam: the code to end with

// Runs a step from its own timer, inside its modal loop.
class CTimedDialog : public CTracedDialog {
public:
    CTimedDialog(Trace* trace, UINT templateId, CWnd* parent, std::function<void(CTimedDialog&)> step)
        : CTracedDialog("dialog", trace, templateId, parent), m_step(std::move(step))
    {}
    using CDialog::EndDialog;

protected:
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        SetTimer(1, 10);
        return TRUE;
    }
    bool OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override
    {
        if (msg == WM_TIMER && wParam == 1) {
            KillTimer(1);
            m_step(*this);
            return true;
        }
        if (msg == END_REQUEST) {
            EndDialog(static_cast<int>(wParam));
            return true;
        }
        return CTracedDialog::OnWndMsg(msg, wParam, lParam, result);
    }

private:
    std::function<void(CTimedDialog&)> m_step;
};

} // namespace

TEST(DoModal, ReturnsTheEndDialogCodeWithTheOwnerDisabledMeanwhile)
{
    Trace trace;
    CWnd owner;
    ASSERT_TRUE(
        owner.CreateEx(0, AfxRegisterWndClass(0), "owner", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr));
    for (int code : {1033, 1055, 1089, 12325, IDOK}) {
        bool ownerEnabled = true;
        CTimedDialog dialog(&trace, IDD_EMPTY, &owner, [&](CTimedDialog& d) {
            ownerEnabled = owner.IsWindowEnabled() != FALSE;
            d.EndDialog(code);
        });
        EXPECT_EQ(dialog.DoModal(), code);
        EXPECT_FALSE(ownerEnabled);
        EXPECT_TRUE(owner.IsWindowEnabled());
        EXPECT_EQ(dialog.m_hWnd, nullptr);
    }
    CDialog missing(IDD_MISSING, &owner);
    EXPECT_EQ(missing.DoModal(), -1);
    EXPECT_TRUE(owner.IsWindowEnabled());
}

TEST(DoModal, EnterAndEscapeEndAsOkAndCancel)
{
    Trace trace;
    for (UINT key : {VK_RETURN, VK_ESCAPE}) {
        CTimedDialog dialog(&trace, IDD_FORM, nullptr,
                            [&](CTimedDialog& d) { windowtest::PostKey(d.GetDlgItem(IDC_TEXT), key); });
        EXPECT_EQ(dialog.DoModal(), key == VK_RETURN ? IDOK : IDCANCEL);
    }
}

TEST(DoModal, NestedLoopsPreTranslateAndEndInOrder)
{
    Trace trace;
    INT_PTR innerResult = 0;
    bool outerEnabledAfterInner = false;
    CTracedWnd control("control", &trace);
    CTimedDialog outer(&trace, IDD_EMPTY, nullptr, [&](CTimedDialog& o) {
        CTimedDialog inner(&trace, IDD_FORM, &o, [&](CTimedDialog& i) {
            // Both go through the inner dialog's own loop, in this order.
            control.SubclassDlgItem(IDC_TEXT, i);
            control.PostMessage(WM_APP + 1);
            i.PostMessage(END_REQUEST, 1055);
        });
        innerResult = inner.DoModal();
        outerEnabledAfterInner = o.IsWindowEnabled() != FALSE;
        o.EndDialog(12325);
    });
    EXPECT_EQ(outer.DoModal(), 12325);
    EXPECT_EQ(innerResult, 1055);
    EXPECT_TRUE(outerEnabledAfterInner);
    // The control, the inner dialog, then its owner the outer dialog.
    EXPECT_EQ(trace, (Trace{"control", "dialog", "dialog", "control got"}));
}

TEST(DoModal, QuitEndsTheLoopAndIsPostedAgain)
{
    Trace trace;
    CTimedDialog dialog(&trace, IDD_EMPTY, nullptr, [](CTimedDialog&) { ::PostQuitMessage(7); });
    EXPECT_EQ(dialog.DoModal(), -1);
    MSG msg;
    ASSERT_TRUE(::PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
}
