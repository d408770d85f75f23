#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "framework/Dialog.h"
#include "framework/WndClass.h"
#include "window_test_ids.h"

namespace {

// Records the creation messages it receives.
class CCreationRecorder : public CDialog {
public:
    CCreationRecorder() : CDialog(IDD_EMPTY) {}
    std::vector<UINT> seen;

protected:
    bool OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override
    {
        if (msg == WM_NCCREATE || msg == WM_CREATE || msg == WM_INITDIALOG)
            seen.push_back(msg);
        return CDialog::OnWndMsg(msg, wParam, lParam, result);
    }
};

// Deletes itself after its window is gone, and counts how often that happened.
class CSelfDeleting : public CWnd {
public:
    explicit CSelfDeleting(int* deletions) : m_deletions(deletions) {}
    ~CSelfDeleting() override { ++*m_deletions; }

protected:
    void PostNcDestroy() override
    {
        EXPECT_EQ(m_hWnd, nullptr);
        delete this;
    }

private:
    int* m_deletions;
};

bool Has(const std::vector<UINT>& seen, UINT msg)
{
    return std::find(seen.begin(), seen.end(), msg) != seen.end();
}

} // namespace

TEST(WindowCreation, ObjectSeesCreationMessagesForEveryKindOfClass)
{
    const char* frameworkClass = AfxRegisterWndClass(0, ::LoadCursor(nullptr, IDC_ARROW));
    ASSERT_NE(frameworkClass, nullptr);
    ASSERT_TRUE(AfxRegisterClass("TestDefProcClass", CS_DBLCLKS, nullptr, nullptr, &::DefWindowProcA));
    // Registering again is no failure.
    EXPECT_TRUE(AfxRegisterClass("TestDefProcClass", CS_DBLCLKS, nullptr, nullptr, &::DefWindowProcA));
    EXPECT_STREQ(AfxRegisterWndClass(0, ::LoadCursor(nullptr, IDC_ARROW)), frameworkClass);

    CCreationRecorder parent; // the dialog: a system class with the dialog manager's procedure
    ASSERT_TRUE(parent.Create());
    EXPECT_TRUE(Has(parent.seen, WM_NCCREATE));
    EXPECT_TRUE(Has(parent.seen, WM_CREATE));
    EXPECT_TRUE(Has(parent.seen, WM_INITDIALOG));

    struct SRecordingWnd : CWnd {
        std::vector<UINT> seen;
        bool OnWndMsg(UINT msg, WPARAM w, LPARAM l, LRESULT* r) override
        {
            seen.push_back(msg);
            return CWnd::OnWndMsg(msg, w, l, r);
        }
    };
    const char* classes[] = {frameworkClass, "TestDefProcClass", "SCROLLBAR"};
    for (const char* className : classes) {
        HWND hwnd;
        {
            SRecordingWnd wnd;
            RECT rect = {0, 0, 50, 20};
            ASSERT_TRUE(wnd.CreateEx(0, className, "", WS_CHILD | WS_VISIBLE, rect, parent, 7)) << className;
            hwnd = wnd.m_hWnd;
            EXPECT_EQ(CWnd::FromHandlePermanent(hwnd), &wnd);
            EXPECT_TRUE(Has(wnd.seen, WM_NCCREATE)) << className;
            EXPECT_TRUE(Has(wnd.seen, WM_CREATE)) << className;
            // The kept procedure still does the class's own work.
            if (std::string(className) == "SCROLLBAR") {
                ::SetScrollRange(hwnd, SB_CTL, 0, 10, FALSE);
                ::SetScrollPos(hwnd, SB_CTL, 4, FALSE);
                EXPECT_EQ(::GetScrollPos(hwnd, SB_CTL), 4);
            }
        }
        // The destructor destroyed the window it still held.
        EXPECT_FALSE(::IsWindow(hwnd)) << className;
        EXPECT_EQ(CWnd::FromHandlePermanent(hwnd), nullptr);
    }
    parent.DestroyWindow();
    EXPECT_EQ(parent.m_hWnd, nullptr);
}

TEST(WindowCreation, DestroyDetachesThenPostNcDestroyRunsOnce)
{
    int deletions = 0;
    auto* wnd = new CSelfDeleting(&deletions);
    ASSERT_TRUE(wnd->CreateEx(0, AfxRegisterWndClass(0), "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    HWND hwnd = wnd->m_hWnd;
    EXPECT_TRUE(wnd->DestroyWindow());
    EXPECT_EQ(deletions, 1);
    EXPECT_EQ(CWnd::FromHandlePermanent(hwnd), nullptr);

    // A subclassed system window detaches the same way when it goes.
    HWND edit = ::CreateWindowExA(0, "EDIT", "x", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    auto* subclassed = new CSelfDeleting(&deletions);
    ASSERT_TRUE(subclassed->SubclassWindow(edit));
    EXPECT_FALSE(subclassed->SubclassWindow(edit)); // one object per window
    ::SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("kept procedure"));
    char text[32] = {};
    ::GetWindowTextA(edit, text, sizeof(text));
    EXPECT_STREQ(text, "kept procedure");
    ::DestroyWindow(edit);
    EXPECT_EQ(deletions, 2);
}

TEST(WindowMessages, RegisteredAndApplicationMessagesReachTheMessageMap)
{
    static const UINT registered = ::RegisterWindowMessageA("TARNIX_FRAMEWORK_TEST");
    struct SAnswering : CWnd {
        bool OnWndMsg(UINT msg, WPARAM w, LPARAM l, LRESULT* r) override
        {
            if (msg == registered || msg == WM_APP + 5) {
                *r = static_cast<LRESULT>(l) + 1;
                return true;
            }
            return CWnd::OnWndMsg(msg, w, l, r);
        }
    } wnd;
    ASSERT_TRUE(wnd.CreateEx(0, AfxRegisterWndClass(0), "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    EXPECT_EQ(wnd.SendMessage(registered, 0, 41), 42);
    EXPECT_EQ(wnd.SendMessage(WM_APP + 5, 0, 6), 7);
    EXPECT_EQ(wnd.SendMessage(WM_APP + 6, 0, 6), 0); // unhandled: the default
}
