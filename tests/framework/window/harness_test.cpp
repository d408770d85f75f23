#include <gtest/gtest.h>

#include "framework/Wnd.h"
#include "framework/WndClass.h"
#include "window/MessagePumping.h"
#include "window/VersionRun.h"

namespace {

const UINT kRepost = WM_APP + 7;

// Posts itself another message for each one it handles: the queue never empties.
class CRepostingWnd : public CWnd {
public:
    int handled = 0;

protected:
    bool OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) override
    {
        if (msg != kRepost)
            return CWnd::OnWndMsg(msg, wParam, lParam, result);
        ++handled;
        PostMessage(kRepost);
        *result = 0;
        return true;
    }
};

// What the program reads before main, taken by a static initialiser as the version class will.
const OSVERSIONINFOA g_versionBeforeMain = [] {
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    ::GetVersionExA(&version);
    return version;
}();

} // namespace

TEST(Harness, PumpingEndsAtItsConditionOrLimitWhileAWindowKeepsPosting)
{
    CRepostingWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, AfxRegisterWndClass(0), "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    wnd.PostMessage(kRepost);
    EXPECT_FALSE(windowtest::PumpUntil([] { return false; }, 200));
    EXPECT_GT(wnd.handled, 0);
    const int before = wnd.handled;
    EXPECT_TRUE(windowtest::PumpUntil([&] { return wnd.handled == before + 10; }, 5000));
    EXPECT_EQ(wnd.handled, before + 10);
    EXPECT_FALSE(windowtest::PumpPending(100));
    wnd.DestroyWindow();
    EXPECT_TRUE(windowtest::PumpPending(100));
}

TEST(Harness, WindowsVersionReadBeforeMainIsSetPerCase)
{
    if (!windowtest::WindowsVersionOfThisRun()) {
        EXPECT_EQ(windowtest::RunThisCaseUnderWindowsVersion("win98"), 0);
        // This process and every other case keep the prefix's version.
        EXPECT_EQ(g_versionBeforeMain.dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_NT));
        return;
    }
    EXPECT_STREQ(windowtest::WindowsVersionOfThisRun(), "win98");
    EXPECT_EQ(g_versionBeforeMain.dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_WINDOWS));
    EXPECT_EQ(g_versionBeforeMain.dwMajorVersion, 4u);
    EXPECT_EQ(g_versionBeforeMain.dwMinorVersion, 10u);
}
