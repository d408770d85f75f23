#include <string>

#include <gtest/gtest.h>

#include "framework/MessageBox.h"
#include "framework/WinApp.h"
#include "window/ModalDriver.h"

namespace {

// Shows a real box, reads its caption from inside its loop and presses OK.
std::string CaptionOfABox()
{
    std::string caption;
    windowtest::CModalDriver driver("#32770", [&caption](HWND box) {
        char text[64] = {};
        ::GetWindowTextA(box, text, sizeof(text));
        caption = text;
        windowtest::PostCommand(box, IDOK);
    });
    EXPECT_EQ(AfxMessageBox("caption test"), IDOK);
    EXPECT_TRUE(driver.Done());
    return caption;
}

} // namespace

TEST(MessageBoxes, CaptionIsTheApplicationsNameElseTarnix)
{
    EXPECT_EQ(CaptionOfABox(), "Tarnix");
    {
        CWinApp app("Tarnix Test");
        EXPECT_EQ(CaptionOfABox(), "Tarnix Test");
        SetMessageBoxCaption("Set by hand");
        EXPECT_EQ(CaptionOfABox(), "Set by hand");
        SetMessageBoxCaption(nullptr);
    }
    CWinApp unnamed;
    EXPECT_EQ(CaptionOfABox(), "Tarnix");
}
