// The options dialog: what OK accepts and in which order it refuses, the "Unlimited" boxes and
// the limits, and a Cancel that leaves the registry as it was. Each run is driven from inside the
// dialog's loop.

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

const char* const kOptions = "Options";

std::string Text(UINT id)
{
    CString text;
    text.LoadString(id);
    return text.str();
}

// A step on the options dialog.
windowtest::SModalStep OnOptions(std::function<void(HWND)> action)
{
    return {"#32770", kOptions, IDC_MAX_DOWNLOADS, std::move(action)};
}

void Click(HWND dialog, int id)
{
    ::SendMessageA(::GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

// Every value under a key and its subkeys: "subkey\name" -> type and bytes.
void ReadValues(HKEY root, const std::string& path, std::map<std::string, std::string>& values)
{
    HKEY key = nullptr;
    if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    for (DWORD i = 0;; ++i) {
        char name[256] = {};
        DWORD nameSize = sizeof(name), type = 0;
        BYTE data[4096] = {};
        DWORD dataSize = sizeof(data);
        if (::RegEnumValueA(key, i, name, &nameSize, nullptr, &type, data, &dataSize) != ERROR_SUCCESS)
            break;
        values[path + "\\" + name] = std::to_string(type) + ":" + std::string(reinterpret_cast<char*>(data), dataSize);
    }
    for (DWORD i = 0;; ++i) {
        char name[256] = {};
        DWORD nameSize = sizeof(name);
        if (::RegEnumKeyExA(key, i, name, &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        ReadValues(root, path + "\\" + name, values);
    }
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
        Settings().SetMaxDownloads(0);
        Settings().SetUnlimitedUploads(0);
        Settings().SetMaxUploads(4);
        Settings().SetLoadOnStartup(0);
    }
    std::map<std::string, std::string> Registry() const
    {
        std::map<std::string, std::string> values;
        ReadValues(HKEY_CURRENT_USER, settingsKey.Left(settingsKey.Find("\\Settings\\")).str(), values);
        return values;
    }
};

} // namespace

TEST_F(Options, OkRefusesABadFolderBeforeABadIdentityAndStoresOnlyTheStartUpChoice)
{
    Settings().SetDownloadLocation((folder / "missing\\deeper").GetString());
    Settings().SetMyName("");
    COptionsDlg dialog(nullptr, Settings());
    bool startsGreyed = false;
    windowtest::CModalScript script({
        OnOptions([&](HWND options) {
            startsGreyed = !IsEnabled(options, IDC_MAX_DOWNLOADS) && IsEnabled(options, IDC_MAX_UPLOADS);
            PostCommand(options, IDOK); // neither folder nor name
        }),
        OnOptions([&](HWND options) {
            ::SetDlgItemTextA(options, IDC_DOWNLOAD_LOCATION, folder.Path());
            ::SetDlgItemTextA(options, IDC_NAME, "Ann");
            ::SetDlgItemTextA(options, IDC_MY_EMAIL, "ann-at-b.test");
            PostCommand(options, IDOK);
        }),
        OnOptions([&](HWND options) {
            ::SetDlgItemTextA(options, IDC_MY_EMAIL, "ann@b.test");
            Click(options, IDC_LOAD_ON_STARTUP);
            Click(options, IDC_SHOW_SPLASH);
            PostCommand(options, IDOK);
        }),
    });
    ASSERT_EQ(IDOK, dialog.DoModal()) << script.Failure();
    EXPECT_TRUE(startsGreyed);
    EXPECT_EQ(boxes, (std::vector<std::string>{Text(IDS_DOWNLOAD_DIR_INVALID), Text(IDS_IDENTITY_MISSING)}));
    EXPECT_EQ(dialog.m_downloadLocation, folder.Path());
    EXPECT_EQ(dialog.m_myName, "Ann");
    EXPECT_TRUE(dialog.m_loadOnStartup);
    // The start-up choice is stored at once; the rest is the caller's to store.
    EXPECT_EQ(Settings().GetLoadOnStartup(), 1);
    EXPECT_EQ(Settings().GetMyName(), "");
    EXPECT_EQ(Settings().GetShowSplash() != 0, !dialog.m_showSplash);
}

TEST_F(Options, AnUnlimitedLimitIsGreyedAndZeroAndALimitInUseMustBeAtLeastOne)
{
    COptionsDlg dialog(nullptr, Settings());
    bool greyed = true, enabled = false;
    windowtest::CModalScript script({
        OnOptions([&](HWND options) {
            // Whatever the greyed box holds does not count; uploads are limited and must be 1+.
            ::SetDlgItemTextA(options, IDC_MAX_DOWNLOADS, "abc");
            ::SetDlgItemTextA(options, IDC_MAX_UPLOADS, "0");
            PostCommand(options, IDOK);
        }),
        OnOptions([&](HWND options) {
            ::SetDlgItemTextA(options, IDC_MAX_UPLOADS, "abc");
            PostCommand(options, IDOK);
        }),
        OnOptions([&](HWND options) {
            // Clearing "Unlimited" brings the downloads' box back, and its garbage is judged.
            Click(options, IDC_UNLIMITED_DOWNLOADS);
            enabled = IsEnabled(options, IDC_MAX_DOWNLOADS);
            ::SetDlgItemTextA(options, IDC_MAX_UPLOADS, "2");
            PostCommand(options, IDOK);
        }),
        OnOptions([&](HWND options) {
            ::SetDlgItemTextA(options, IDC_MAX_DOWNLOADS, "3");
            Click(options, IDC_UNLIMITED_UPLOADS);
            greyed = !IsEnabled(options, IDC_MAX_UPLOADS);
            PostCommand(options, IDOK);
        }),
    });
    ASSERT_EQ(IDOK, dialog.DoModal()) << script.Failure();
    EXPECT_TRUE(enabled);
    EXPECT_TRUE(greyed);
    const std::string integer = "Please enter an integer.";
    EXPECT_EQ(boxes, (std::vector<std::string>{Text(IDS_LIMIT_TOO_SMALL), integer, integer}));
    EXPECT_FALSE(dialog.m_unlimitedDownloads);
    EXPECT_EQ(dialog.m_maxDownloads, 3);
    EXPECT_TRUE(dialog.m_unlimitedUploads);
    EXPECT_EQ(dialog.m_maxUploads, 0);
}

TEST_F(Options, CancelLeavesTheRegistryAsItWasTheStartUpEntryIncluded)
{
    const auto before = Registry();
    ASSERT_FALSE(before.empty());
    COptionsDlg dialog(nullptr, Settings());
    windowtest::CModalScript script({
        OnOptions([&](HWND options) {
            ::SetDlgItemTextA(options, IDC_NAME, "Someone Else");
            ::SetDlgItemTextA(options, IDC_MAX_UPLOADS, "9");
            Click(options, IDC_LOAD_ON_STARTUP);
            Click(options, IDC_UNLIMITED_UPLOADS);
            Click(options, IDC_SYNC_OUTLOOK);
            PostCommand(options, IDCANCEL);
        }),
    });
    ASSERT_EQ(IDCANCEL, dialog.DoModal()) << script.Failure();
    EXPECT_EQ(Registry(), before);
    EXPECT_TRUE(boxes.empty());
}
