// The options dialog driven from inside its loop: what OK refuses and in which order, the
// "Unlimited" boxes and their limits, and a Cancel that leaves the registry as it was.

#include <map>
#include <string>
#include <vector>

#include <windows.h>

#include <gtest/gtest.h>

#include "app/StringIds.h"
#include "support/DialogTestSupport.h"
#include "ui/OptionsDlg.h"
#include "ui/res/ui_ids.h"
#include "window/ModalDriver.h"

namespace {

using dialogtest::IsEnabled;
using windowtest::PostCommand;

std::string Text(UINT id)
{
    CString text;
    text.LoadString(id);
    return text.str();
}

// Sets the boxes' texts (id, text, ...), clicks the buttons listed, then presses `end`.
windowtest::SModalStep Step(std::vector<std::pair<int, const char*>> texts, std::vector<int> clicks, int end = IDOK,
                            std::function<void(HWND)> look = nullptr)
{
    return {"#32770", "Options", IDC_MAX_DOWNLOADS, [=](HWND options) {
                for (const auto& text : texts)
                    ::SetDlgItemTextA(options, text.first, text.second);
                for (int id : clicks)
                    ::SendMessageA(::GetDlgItem(options, id), BM_CLICK, 0, 0);
                if (look)
                    look(options);
                PostCommand(options, end);
            }};
}

// Every value under the key and its subkeys, with its type and bytes.
void ReadValues(const std::string& path, std::map<std::string, std::string>& values)
{
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    char name[256];
    BYTE data[4096];
    for (DWORD i = 0, size = sizeof(name), type = 0, length = sizeof(data);
         ::RegEnumValueA(key, i, name, &size, nullptr, &type, data, &length) == ERROR_SUCCESS;
         ++i, size = sizeof(name), length = sizeof(data))
        values[path + "\\" + name] = std::to_string(type) + std::string(reinterpret_cast<char*>(data), length);
    for (DWORD i = 0, size = sizeof(name);
         ::RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         ++i, size = sizeof(name))
        ReadValues(path + "\\" + name, values);
    ::RegCloseKey(key);
}

class Options : public dialogtest::DialogTest {
protected:
    Options()
    {
        Settings().SetDownloadLocation(folder.Path());
        Settings().SetMyName("Ann Jones");
        Settings().SetMyEmail("ann@b.test");
        Settings().SetUnlimitedDownloads(1);
        Settings().SetUnlimitedUploads(0);
        Settings().SetMaxUploads(4);
        Settings().SetLoadOnStartup(0);
    }
};

} // namespace

TEST_F(Options, OkRefusesInOrderJudgesOnlyTheLimitsInUseAndStoresOnlyTheStartUpChoice)
{
    Settings().SetDownloadLocation((folder / "missing\\deeper").GetString());
    Settings().SetMyName("");
    COptionsDlg dialog(nullptr, Settings());
    bool greyedAtStart = false, enabledAgain = false, greyedAgain = false;
    windowtest::CModalScript script({
        Step({}, {}, IDOK, [&](HWND options) { greyedAtStart = !IsEnabled(options, IDC_MAX_DOWNLOADS); }),
        // The greyed box's garbage does not count; the uploads' 0 does.
        Step({{IDC_DOWNLOAD_LOCATION, folder.Path()},
              {IDC_NAME, "Ann"},
              {IDC_MY_EMAIL, "ann-at-b.test"},
              {IDC_MAX_DOWNLOADS, "abc"},
              {IDC_MAX_UPLOADS, "0"}},
             {}),
        Step({{IDC_MY_EMAIL, "ann@b.test"}}, {}),
        Step({{IDC_MAX_UPLOADS, "2"}}, {IDC_UNLIMITED_DOWNLOADS}, IDOK,
             [&](HWND options) { enabledAgain = IsEnabled(options, IDC_MAX_DOWNLOADS); }),
        Step({{IDC_MAX_DOWNLOADS, "3"}}, {IDC_UNLIMITED_UPLOADS, IDC_LOAD_ON_STARTUP, IDC_SHOW_SPLASH}, IDOK,
             [&](HWND options) { greyedAgain = !IsEnabled(options, IDC_MAX_UPLOADS); }),
    });
    ASSERT_EQ(IDOK, dialog.DoModal()) << script.Failure();
    EXPECT_TRUE(greyedAtStart && enabledAgain && greyedAgain);
    EXPECT_EQ(boxes, (std::vector<std::string>{Text(IDS_DOWNLOAD_DIR_INVALID), Text(IDS_IDENTITY_MISSING),
                                               Text(IDS_LIMIT_TOO_SMALL), "Please enter an integer."}));
    EXPECT_EQ(dialog.m_maxDownloads, 3);
    EXPECT_EQ(dialog.m_maxUploads, 0);
    EXPECT_TRUE(dialog.m_unlimitedUploads);
    EXPECT_EQ(dialog.m_downloadLocation, folder.Path());
    // The start-up choice is stored at once; the rest is the caller's to store.
    EXPECT_EQ(Settings().GetLoadOnStartup(), 1);
    EXPECT_EQ(Settings().GetMyName(), "");
    EXPECT_EQ(Settings().GetShowSplash() != 0, !dialog.m_showSplash);
}

TEST_F(Options, CancelLeavesTheRegistryAsItWasTheStartUpEntryIncluded)
{
    const std::string base = settingsKey.Left(settingsKey.Find("\\Settings\\")).str();
    std::map<std::string, std::string> before, after;
    ReadValues(base, before);
    COptionsDlg dialog(nullptr, Settings());
    windowtest::CModalScript script({
        Step({{IDC_NAME, "Someone Else"}, {IDC_MAX_UPLOADS, "9"}},
             {IDC_LOAD_ON_STARTUP, IDC_UNLIMITED_UPLOADS, IDC_SYNC_OUTLOOK}, IDCANCEL),
    });
    ASSERT_EQ(IDCANCEL, dialog.DoModal()) << script.Failure();
    ReadValues(base, after);
    EXPECT_FALSE(before.empty());
    EXPECT_EQ(after, before);
}
