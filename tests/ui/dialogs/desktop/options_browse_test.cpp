// The options dialog's "Browse...": Wine's own folder picker, opened on the folder typed and
// handing its choice back. It holds the display lock.

#include <algorithm>
#include <cctype>
#include <string>

#include <windows.h>

#include <gtest/gtest.h>

#include "support/DialogTestSupport.h"
#include "ui/OptionsDlg.h"
#include "ui/res/ui_ids.h"
#include "window/ModalDriver.h"

using dialogtest::DlgText;
using windowtest::PostCommand;
using OptionsDesktop = dialogtest::DialogTest;

// Measured under Wine 8: a selection made by path (BFFM_SETSELECTION) while the picker is open
// shows in its tree and edit box, yet OK may still hand back the folder it opened on; so the
// choice here is the opening folder, typed in other letters, and comes back as the disk spells it.
TEST_F(OptionsDesktop, BrowseOpensThePickerOnTheTypedFolderAndTakesItsChoice)
{
    const std::string real = folder.Path().str();
    std::string typed = real;
    std::transform(typed.begin(), typed.end(), typed.begin(),
                   [](char c) { return static_cast<char>(std::toupper(c)); });
    COptionsDlg dialog(nullptr, Settings());
    std::string title, edit, chosen, kept;
    auto browse = [](const char* location) {
        return [=](HWND options) {
            ::SetDlgItemTextA(options, IDC_DOWNLOAD_LOCATION, location);
            PostCommand(options, IDC_BROWSE);
        };
    };
    windowtest::CModalScript script({
        {"#32770", "Options", IDC_BROWSE, browse(typed.c_str())},
        {"#32770", "Browse for Folder", 0,
         [&](HWND picker) {
             char text[MAX_PATH] = {};
             ::GetWindowTextA(::FindWindowExA(picker, nullptr, "Static", "Select a download folder"), text, MAX_PATH);
             title = text;
             // The new style's edit box names the folder opened on (its last part).
             ::GetWindowTextA(::FindWindowExA(picker, nullptr, "Edit", nullptr), text, MAX_PATH);
             edit = text;
             PostCommand(picker, IDOK);
         }},
        {"#32770", "Options", IDC_BROWSE,
         [&](HWND options) {
             chosen = DlgText(options, IDC_DOWNLOAD_LOCATION);
             browse("C:\\typed")(options);
         }},
        {"#32770", "Browse for Folder", 0, [](HWND picker) { PostCommand(picker, IDCANCEL); }},
        {"#32770", "Options", IDC_BROWSE,
         [&](HWND options) {
             kept = DlgText(options, IDC_DOWNLOAD_LOCATION);
             PostCommand(options, IDCANCEL);
         }},
    });
    ASSERT_EQ(IDCANCEL, dialog.DoModal()) << script.Failure();
    EXPECT_EQ(title, "Select a download folder");
    EXPECT_EQ(edit, real.substr(real.rfind('\\') + 1));
    EXPECT_EQ(chosen, real);
    EXPECT_EQ(kept, "C:\\typed") << "a cancelled picker changes nothing";
}
