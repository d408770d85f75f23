#include <gtest/gtest.h>

#include "MenuOwner.h"
#include "framework/WndClass.h"
#include "widgets_test_ids.h"
#include "window/Input.h"
#include "window/ModalDriver.h"
#include "window/ScreenGrab.h"

// A real popup of a loaded menu: the system asks its owner to measure and draw every item, the
// items show the menu's body on the screen, and a typed mnemonic chooses through WM_MENUCHAR.
TEST(BCMenuPopup, TheOwnerMeasuresAndDrawsEveryItemAndMnemonicsChoose)
{
    CMenuOwnerWnd owner;
    ASSERT_TRUE(
        owner.CreateEx(0, AfxRegisterWndClass(0), "owner", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr, nullptr));
    BCMenu bar;
    ASSERT_TRUE(bar.LoadMenu(IDM_WIDGETS_TEST));
    auto* file = dynamic_cast<BCMenu*>(bar.GetSubMenu(0));
    ASSERT_NE(file, nullptr);
    const int count = file->GetMenuItemCount();

    int bodyPixels = -1, itemPixels = 0;
    windowtest::CModalDriver look("#32768", [&](HWND menuWindow) {
        RECT item = {};
        if (::GetMenuItemRect(nullptr, *file, 0, &item)) {
            if (auto grabbed = windowtest::GrabScreen(item)) {
                itemPixels = grabbed->Width() * grabbed->Height();
                bodyPixels = grabbed->Count(kMenuBodyColour);
            }
        }
        windowtest::PostKey(menuWindow, VK_ESCAPE);
    });
    EXPECT_EQ(file->TrackPopupMenu(TPM_RETURNCMD, 20, 20, owner), 0);
    ASSERT_TRUE(look.Done());
    EXPECT_EQ(static_cast<int>(owner.measured.size()), count);
    EXPECT_EQ(static_cast<int>(owner.drawn.size()), count);
    for (int position = 0; position < count; ++position) {
        MENUITEMINFOW info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_DATA;
        ASSERT_TRUE(::GetMenuItemInfoW(*file, position, TRUE, &info));
        EXPECT_EQ(owner.drawn.count(info.dwItemData), 1u) << "position " << position;
    }
    EXPECT_GT(itemPixels, 0);
    EXPECT_GT(bodyPixels, itemPixels / 2);

    // The items hold no text of their own: the system asks the owner about "x", and "E&xit" runs.
    windowtest::CModalDriver mnemonic("#32768", [](HWND menuWindow) { windowtest::PostKey(menuWindow, 'X'); });
    EXPECT_EQ(file->TrackPopupMenu(TPM_RETURNCMD, 20, 20, owner), ID_WT_EXIT);
    EXPECT_TRUE(mnemonic.Done());
}
