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

namespace {

using dialogtest::DlgText;
using windowtest::PostCommand;

// Names the class and text of every visible child, one a line.
BOOL CALLBACK Collect(HWND child, LPARAM param)
{
    char name[64] = {}, text[MAX_PATH] = {};
    ::GetClassNameA(child, name, sizeof(name));
    ::GetWindowTextA(child, text, sizeof(text));
    if (::IsWindowVisible(child))
        *reinterpret_cast<std::string*>(param) += std::string(name) + " \"" + text + "\"\n";
    return TRUE;
}

class OptionsDesktop : public dialogtest::DialogTest {};

} // namespace

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
    std::string picker, chosen, kept;
    windowtest::CModalScript script({
        {"#32770", "Options", IDC_BROWSE,
         [&](HWND options) {
             ::SetDlgItemTextA(options, IDC_DOWNLOAD_LOCATION, typed.c_str());
             ::SetDlgItemTextA(options, IDC_NAME, "Typed Name");
             PostCommand(options, IDC_BROWSE);
         }},
        {"#32770", "Browse for Folder", 0,
         [&](HWND browse) {
             ::EnumChildWindows(browse, &Collect, reinterpret_cast<LPARAM>(&picker));
             PostCommand(browse, IDOK);
         }},
        {"#32770", "Options", IDC_BROWSE,
         [&](HWND options) {
             chosen = DlgText(options, IDC_DOWNLOAD_LOCATION) + "|" + DlgText(options, IDC_NAME);
             ::SetDlgItemTextA(options, IDC_DOWNLOAD_LOCATION, "C:\\typed");
             PostCommand(options, IDC_BROWSE);
         }},
        {"#32770", "Browse for Folder", 0, [](HWND browse) { PostCommand(browse, IDCANCEL); }},
        {"#32770", "Options", IDC_BROWSE,
         [&](HWND options) {
             kept = DlgText(options, IDC_DOWNLOAD_LOCATION);
             PostCommand(options, IDCANCEL);
         }},
    });
    ASSERT_EQ(IDCANCEL, dialog.DoModal()) << script.Failure();
    EXPECT_NE(picker.find("Select a download folder"), std::string::npos) << picker;
    // The new style's edit box, naming the folder opened on (its last part).
    EXPECT_NE(picker.find("Edit \"" + real.substr(real.rfind('\\') + 1) + "\""), std::string::npos) << picker;
    EXPECT_EQ(chosen, real + "|Typed Name");
    EXPECT_EQ(kept, "C:\\typed") << "a cancelled picker changes nothing";
}
