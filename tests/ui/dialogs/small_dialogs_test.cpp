// The speed, update and about dialogs, each driven from inside its loop.

#include <string>

#include <windows.h>

#include <gtest/gtest.h>

#include "support/DialogTestSupport.h"
#include "ui/AboutDlg.h"
#include "ui/SpeedDialog.h"
#include "ui/UpdateDialog.h"
#include "ui/res/ui_ids.h"
#include "window/ModalDriver.h"

namespace {

using dialogtest::DlgText;
using windowtest::PostCommand;

// Runs the dialog; inside its loop `act` sees it, then `end` is pressed.
INT_PTR RunDialog(CDialog& dialog, const char* title, int controlId, std::function<void(HWND)> act, int end = IDOK)
{
    windowtest::CModalScript script({{"#32770", title, controlId, [=](HWND window) {
                                          act(window);
                                          PostCommand(window, end);
                                      }}});
    const INT_PTR result = dialog.DoModal();
    EXPECT_TRUE(script.Done()) << script.Failure();
    return result;
}

} // namespace

TEST(SmallDialogs, TheSpeedSliderChangesBothTextsAndCancelKeepsTheLevel)
{
    CSpeedDialog dialog;
    dialog.m_level = 1;
    std::string texts;
    LONG nameWeight = 0;
    auto read = [&](HWND speed) {
        texts += DlgText(speed, IDC_SPEED_NAME) + "|" + DlgText(speed, IDC_SPEED_DESCRIPTION) + "\n";
    };
    EXPECT_EQ(IDCANCEL, RunDialog(
                            dialog, "Speed", IDC_SPEED_NAME,
                            [&](HWND speed) {
                                read(speed);
                                nameWeight = dialogtest::FontWeight(::GetDlgItem(speed, IDC_SPEED_NAME));
                                // A press on the slider's lowest third, where position 2 lies.
                                HWND slider = ::GetDlgItem(speed, IDC_SLIDER);
                                RECT client = {};
                                ::GetClientRect(slider, &client);
                                ::SendMessageA(slider, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, client.bottom - 2));
                                ::SendMessageA(slider, WM_LBUTTONUP, 0, MAKELPARAM(1, client.bottom - 2));
                                read(speed);
                            },
                            IDCANCEL));
    EXPECT_EQ(texts, "Medium|Tarnix will share bandwith with other application.\n"
                     "Low|Tarnix will use only bandwith that is not needed by other applications. \n");
    EXPECT_EQ(nameWeight, FW_BOLD);
    EXPECT_EQ(dialog.m_level, 1);
}

TEST(SmallDialogs, TheUpdateQuestionStartsOnYesAndNoMeansNoUpgradeAndTheAboutBoxReadsItsVersion)
{
    CUpdateDialog update;
    bool yesAtStart = false;
    EXPECT_EQ(IDOK, RunDialog(update, "New version available", IDC_UPGRADE_YES, [&](HWND window) {
                  yesAtStart = ::IsDlgButtonChecked(window, IDC_UPGRADE_YES) == BST_CHECKED;
              }));
    EXPECT_TRUE(yesAtStart && update.WantsUpgrade());
    EXPECT_EQ(IDOK, RunDialog(update, "New version available", IDC_UPGRADE_YES, [](HWND window) {
                  ::SendMessageA(::GetDlgItem(window, IDC_UPGRADE_NO), BM_CLICK, 0, 0);
              }));
    EXPECT_FALSE(update.WantsUpgrade());

    CAboutDlg about;
    std::string texts;
    RunDialog(about, "About Tarnix", IDC_VERSION,
              [&](HWND window) { texts = DlgText(window, IDC_VERSION) + "|" + DlgText(window, IDC_BUILD); });
    EXPECT_EQ(texts, "Tarnix Version 1.2|Build: 123456");
}
