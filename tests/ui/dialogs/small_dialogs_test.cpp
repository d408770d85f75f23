// The speed, update and about dialogs, each run modally and driven from inside its loop.

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
using dialogtest::FontWeight;
using windowtest::PostCommand;

std::string Text(UINT id)
{
    CString text;
    text.LoadString(id);
    return text.str();
}

// A press on the slider's lowest third, where position 2 lies.
void PressLowest(HWND slider)
{
    RECT client = {};
    ::GetClientRect(slider, &client);
    const LPARAM at = MAKELPARAM(1, client.bottom - 2);
    ::SendMessageA(slider, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::SendMessageA(slider, WM_LBUTTONUP, 0, at);
}

} // namespace

TEST(SmallDialogs, TheSpeedSliderChangesBothTextsAndCancelKeepsTheLevel)
{
    CSpeedDialog dialog;
    dialog.m_level = 1;
    std::string name, description, movedName, movedDescription;
    LONG titleWeight = 0, nameWeight = 0;
    windowtest::CModalScript script({
        {"#32770", "Speed", IDC_SPEED_NAME,
         [&](HWND speed) {
             name = DlgText(speed, IDC_SPEED_NAME);
             description = DlgText(speed, IDC_SPEED_DESCRIPTION);
             titleWeight = FontWeight(::GetDlgItem(speed, IDC_TITLE));
             nameWeight = FontWeight(::GetDlgItem(speed, IDC_SPEED_NAME));
             PressLowest(::GetDlgItem(speed, IDC_SLIDER));
             movedName = DlgText(speed, IDC_SPEED_NAME);
             movedDescription = DlgText(speed, IDC_SPEED_DESCRIPTION);
             PostCommand(speed, IDCANCEL);
         }},
    });
    ASSERT_EQ(IDCANCEL, dialog.DoModal()) << script.Failure();
    EXPECT_EQ(name, "Medium");
    EXPECT_EQ(description, Text(IDS_SPEED_MEDIUM_TEXT));
    EXPECT_EQ(movedName, "Low");
    EXPECT_EQ(movedDescription, "Tarnix will use only bandwith that is not needed by other applications. ");
    EXPECT_EQ(titleWeight, FW_BOLD);
    EXPECT_EQ(nameWeight, FW_BOLD);
    EXPECT_EQ(dialog.m_level, 1);

    CSpeedDialog again;
    again.m_level = 1;
    windowtest::CModalScript choose({
        {"#32770", "Speed", IDC_SPEED_NAME,
         [&](HWND speed) {
             PressLowest(::GetDlgItem(speed, IDC_SLIDER));
             PostCommand(speed, IDOK);
         }},
    });
    ASSERT_EQ(IDOK, again.DoModal()) << choose.Failure();
    EXPECT_EQ(again.m_level, 2);
}

TEST(SmallDialogs, TheUpdateQuestionStartsOnYesAndNoMeansNoUpgrade)
{
    CUpdateDialog dialog;
    bool yesAtStart = false;
    windowtest::CModalScript yes({
        {"#32770", "New version available", IDC_UPGRADE_YES,
         [&](HWND update) {
             yesAtStart = ::IsDlgButtonChecked(update, IDC_UPGRADE_YES) == BST_CHECKED;
             PostCommand(update, IDOK);
         }},
    });
    ASSERT_EQ(IDOK, dialog.DoModal()) << yes.Failure();
    EXPECT_TRUE(yesAtStart);
    EXPECT_TRUE(dialog.WantsUpgrade());

    windowtest::CModalScript no({
        {"#32770", "New version available", IDC_UPGRADE_YES,
         [&](HWND update) {
             ::SendMessageA(::GetDlgItem(update, IDC_UPGRADE_NO), BM_CLICK, 0, 0);
             PostCommand(update, IDOK);
         }},
    });
    ASSERT_EQ(IDOK, dialog.DoModal()) << no.Failure();
    EXPECT_FALSE(dialog.WantsUpgrade());
}

TEST(SmallDialogs, TheAboutBoxShowsVersionAndBuild)
{
    CAboutDlg dialog;
    std::string version, build;
    windowtest::CModalScript script({
        {"#32770", "About Tarnix", IDC_VERSION,
         [&](HWND about) {
             version = DlgText(about, IDC_VERSION);
             build = DlgText(about, IDC_BUILD);
             PostCommand(about, IDOK);
         }},
    });
    ASSERT_EQ(IDOK, dialog.DoModal()) << script.Failure();
    EXPECT_EQ(version, "Tarnix Version 1.2");
    EXPECT_EQ(build, "Build: 123456");
}
