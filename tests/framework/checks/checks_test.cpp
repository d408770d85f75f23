#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "framework/Menu.h"
#include "framework/Wnd.h"
#include "framework/WndClass.h"

#ifdef NDEBUG
#error "the framework's checks are tested without NDEBUG"
#endif

TEST(FrameworkChecksDeathTest, WindowsAndMenusAreAttachedAndLookedUpOnTheirOwnThreadOnly)
{
    EXPECT_DEATH(
        {
            CWnd::FromHandlePermanent(nullptr);
            std::thread([] { CWnd::FromHandlePermanent(nullptr); }).join();
        },
        "CWnd::FromHandlePermanent called off its owning thread");
    EXPECT_DEATH(
        {
            CMenu menu;
            menu.CreatePopupMenu();
            std::thread([&menu] { menu.Detach(); }).join();
        },
        "CMenu::Detach called off its owning thread");
}

namespace {

// Saves its state on WM_DESTROY, as the main window does.
class CSavingWnd : public CWnd {
public:
    bool* saved = nullptr;

protected:
    void OnDestroy() override { *saved = true; }
};

bool Create(CWnd& wnd)
{
    return wnd.CreateEx(0, AfxRegisterWndClass(0), "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr);
}

} // namespace

TEST(FrameworkChecks, AWindowThatSavesOnDestroyIsReportedWhenItsObjectDestroysIt)
{
    bool saved = false;
    testing::internal::CaptureStderr();
    {
        CSavingWnd wnd;
        wnd.saved = &saved;
        ASSERT_TRUE(Create(wnd));
    }
    std::string report = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(saved);
    EXPECT_NE(report.find("its OnDestroy did not run"), std::string::npos) << report;

    // Destroyed first, it saves; a class with nothing to do on WM_DESTROY is not reported.
    testing::internal::CaptureStderr();
    {
        CSavingWnd wnd;
        wnd.saved = &saved;
        ASSERT_TRUE(Create(wnd));
        EXPECT_TRUE(wnd.DestroyWindow());
    }
    {
        CWnd plain;
        ASSERT_TRUE(Create(plain));
    }
    report = testing::internal::GetCapturedStderr();
    EXPECT_TRUE(saved);
    EXPECT_EQ(report, "");
}
