#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <shlobj.h>
#include <shlwapi.h>
#include <thread>

#include "app/AddressBook.h"
#include "app/SettingsManager.h"
#include "framework/RegistryHandle.h"
#include "support/ScratchFolder.h"

namespace {

// Settings, user id and autostart entry of one test, each in keys of its own (tests run in
// parallel processes), removed again at the end.
class SettingsTest : public ::testing::Test {
protected:
    SettingsTest()
    {
        m_base.Format("Software\\TarnixTest\\%lu %s", GetCurrentProcessId(),
                      ::testing::UnitTest::GetInstance()->current_test_info()->name());
        m_settingsKey = m_base + "\\Settings\\";
        m_runKey = m_base + "\\Run\\";
        m_location.settingsKey = m_settingsKey;
        m_location.runKey = m_runKey;
        m_location.runValue = "Tarnix";
    }
    ~SettingsTest() override
    {
        SHDeleteKeyA(HKEY_CURRENT_USER, m_base);
        SHDeleteKeyA(HKEY_LOCAL_MACHINE, m_base);
    }

    // Raw access to the settings key, as another program or an older version would write it.
    HKEY Settings(bool currentUser = true)
    {
        m_raw.Create(currentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE, m_settingsKey);
        return m_raw.Get();
    }
    void PutRaw(const char* name, DWORD type, const void* data, DWORD size, bool currentUser = true)
    {
        ASSERT_EQ(ERROR_SUCCESS,
                  RegSetValueExA(Settings(currentUser), name, 0, type, static_cast<const BYTE*>(data), size));
    }
    bool ReadUserId(unsigned char id[16])
    {
        DWORD read = 0;
        CRegistryHandle key;
        return key.Open(HKEY_LOCAL_MACHINE, m_settingsKey) == ERROR_SUCCESS && key.ReadBinary("UserId", id, 16, read) &&
               read == 16;
    }

    CString m_base;
    CString m_settingsKey;
    CString m_runKey;
    SSettingsLocation m_location;
    CRegistryHandle m_raw;
};

CString ReceivedFolder()
{
    char documents[MAX_PATH] = {};
    EXPECT_TRUE(SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, documents)));
    return CString(documents) + "\\My Recieved Files";
}

} // namespace

TEST_F(SettingsTest, AnEmptyRegistryGivesEveryDefault)
{
    CSettingsManager settings(m_location);
    EXPECT_EQ(1, settings.GetShowSplash());
    EXPECT_EQ(0, settings.GetBandwidth());
    EXPECT_EQ(0, settings.GetAntivirus());
    EXPECT_EQ(0, settings.GetMaxDownloads());
    EXPECT_EQ(0, settings.GetMaxUploads());
    EXPECT_EQ(1, settings.GetUnlimitedDownloads());
    EXPECT_EQ(1, settings.GetUnlimitedUploads());
    EXPECT_EQ(0, settings.GetABSortColumn());
    EXPECT_EQ(1, settings.GetABSortAsceding());
    EXPECT_EQ(1, settings.GetShowToolTipDownloadComplete());
    EXPECT_EQ(1, settings.GetShowToolTipUploadComplete());
    EXPECT_EQ(1, settings.GetShowToolTipNewUpdate());
    EXPECT_EQ(1, settings.GetExtructOutlook());
    EXPECT_EQ(0, settings.GetDownloadsCompleted());
    EXPECT_EQ(0, settings.GetTAFSate());
    EXPECT_EQ(0, settings.GetLocalPort());
    EXPECT_EQ(1, settings.GetEnableLocalConnections());
    EXPECT_EQ(1, settings.GetLoadOnStartup());
    EXPECT_EQ("", settings.GetMyName());
    EXPECT_EQ("", settings.GetMyEmail());
    EXPECT_EQ("", settings.GetSubject());
    EXPECT_EQ("", settings.GetMessage());
    EXPECT_EQ("", settings.GetWizardSelectFilesDir());
    EXPECT_EQ("", settings.GetInitialFileLink());
    for (int i = 0; i < CSettingsManager::COLUMN_COUNT; ++i)
        EXPECT_EQ(90, settings.GetColumnWidth(i));
    const WINDOWPLACEMENT placement = settings.GetWindowPlacement();
    const WINDOWPLACEMENT zero = {};
    EXPECT_EQ(0, std::memcmp(&zero, &placement, sizeof zero));
    EXPECT_FALSE(settings.GetTAFPrompted());
    EXPECT_EQ(0, settings.GetServerNotice());

    const CString folder = settings.GetProgramFolder();
    EXPECT_EQ('\\', folder[folder.GetLength() - 1]);
    EXPECT_EQ(1, folder.Find(":\\"));

    // The download folder is made and stored at once.
    EXPECT_EQ(ReceivedFolder(), settings.GetDownloadLocation());
    EXPECT_TRUE(PathIsDirectoryA(ReceivedFolder()));
    CString stored;
    EXPECT_TRUE(CRegistryKey(m_settingsKey).GetString("DownloadLocation", stored));
    EXPECT_EQ(ReceivedFolder(), stored);
}

TEST_F(SettingsTest, EmptyDownloadLocationTakesTheReceivedFolderWhenItAlreadyExists)
{
    CreateDirectoryA(ReceivedFolder(), nullptr);
    ASSERT_TRUE(PathIsDirectoryA(ReceivedFolder()));
    PutRaw("DownloadLocation", REG_SZ, "", 1);
    CSettingsManager settings(m_location);
    EXPECT_EQ(ReceivedFolder(), settings.GetDownloadLocation());
}

TEST_F(SettingsTest, NewUserIdIsStoredAtOnceAndReadByTheNextRun)
{
    unsigned char first[16];
    {
        CSettingsManager settings(m_location);
        settings.GetUserId(first);
        const unsigned char zero[16] = {};
        EXPECT_NE(0, std::memcmp(zero, first, 16));
        unsigned char stored[16];
        ASSERT_TRUE(ReadUserId(stored)) << "written under HKEY_LOCAL_MACHINE before the object ends";
        EXPECT_EQ(0, std::memcmp(first, stored, 16));
    }
    CSettingsManager again(m_location);
    unsigned char second[16];
    again.GetUserId(second);
    EXPECT_EQ(0, std::memcmp(first, second, 16));
}

TEST_F(SettingsTest, ValuesOfTheWrongTypeOrSizeFallBackToDefaults)
{
    PutRaw("Bandwidth", REG_SZ, "2", 2); // a number stored as text
    const unsigned long long wide = 0;
    PutRaw("ShowSplash", REG_QWORD, &wide, sizeof wide); // not a 4-byte DWORD
    const unsigned char two[2] = {0, 0};
    PutRaw("MaxUploads", REG_BINARY, two, sizeof two);
    const DWORD number = 7;
    PutRaw("MyName", REG_DWORD, &number, sizeof number); // a text stored as number
    int widths[6] = {1, 2, 3, 4, 5, 6};
    PutRaw("ColumnWidths", REG_BINARY, widths, sizeof widths); // 24 bytes, not 28
    unsigned char placement[40] = {1};
    PutRaw("WindowPlacement", REG_BINARY, placement, sizeof placement);
    const unsigned char shortId[15] = {9, 9, 9};
    PutRaw("UserId", REG_BINARY, shortId, sizeof shortId, false);

    CSettingsManager settings(m_location);
    EXPECT_EQ(0, settings.GetBandwidth());
    EXPECT_EQ(1, settings.GetShowSplash());
    EXPECT_EQ(0, settings.GetMaxUploads());
    EXPECT_EQ("", settings.GetMyName());
    for (int i = 0; i < CSettingsManager::COLUMN_COUNT; ++i)
        EXPECT_EQ(90, settings.GetColumnWidth(i));
    const WINDOWPLACEMENT read = settings.GetWindowPlacement();
    const WINDOWPLACEMENT zero = {};
    EXPECT_EQ(0, std::memcmp(&zero, &read, sizeof zero));
    unsigned char id[16];
    settings.GetUserId(id);
    EXPECT_NE(0, std::memcmp(shortId, id, sizeof shortId)) << "a short id is replaced, not padded";
    unsigned char stored[16];
    ASSERT_TRUE(ReadUserId(stored));
    EXPECT_EQ(0, std::memcmp(id, stored, 16));
}

TEST_F(SettingsTest, OutOfRangeNumbersAreClamped)
{
    const DWORD bandwidth = 7;
    PutRaw("Bandwidth", REG_DWORD, &bandwidth, sizeof bandwidth);
    const DWORD port = 70000;
    PutRaw("LocalPort", REG_DWORD, &port, sizeof port);
    int widths[7] = {100, -5, 100000, 0, 4096, 4097, 90};
    PutRaw("ColumnWidths", REG_BINARY, widths, sizeof widths);

    CSettingsManager settings(m_location);
    EXPECT_EQ(2, settings.GetBandwidth());
    EXPECT_EQ(65535, settings.GetLocalPort());
    const int expected[7] = {100, 0, 4096, 0, 4096, 4096, 90};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(expected[i], settings.GetColumnWidth(i)) << "column " << i;

    settings.SetBandwidth(-1);
    EXPECT_EQ(0, settings.GetBandwidth());
    settings.SetLocalPort(-1);
    EXPECT_EQ(0, settings.GetLocalPort());
    settings.SetColumnWidth(3, 1000000);
    EXPECT_EQ(4096, settings.GetColumnWidth(3));
    settings.SetColumnWidth(7, 10); // no such column
    settings.SetColumnWidth(-1, 10);
    EXPECT_EQ(90, settings.GetColumnWidth(7));
}

TEST_F(SettingsTest, ChangesAreWrittenAtOnceAndReadBackNextRun)
{
    const CString longName('n', 3000); // far beyond the 260 bytes of older builds
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    placement.showCmd = SW_SHOWMAXIMIZED;
    placement.rcNormalPosition = {10, 20, 630, 470};
    {
        CSettingsManager settings(m_location);
        settings.SetMyName(longName);
        settings.SetMyEmail("me@here.test");
        settings.SetDownloadsCompleted(3);
        settings.SetTAFSate(2);
        settings.SetLocalPort(4321);
        settings.SetMaxDownloads(5);
        settings.SetColumnWidth(0, 200);
        settings.SetWindowPlacement(placement);
        settings.SetTAFPrompted(true);

        const CRegistryKey key(m_settingsKey);
        CString name;
        ASSERT_TRUE(key.GetString("MyName", name));
        EXPECT_EQ(longName, name);
        DWORD port = 0;
        ASSERT_TRUE(key.GetDword("LocalPort", port));
        EXPECT_EQ(4321u, port);
    }
    CSettingsManager settings(m_location);
    EXPECT_EQ(longName, settings.GetMyName());
    EXPECT_EQ("me@here.test", settings.GetMyEmail());
    EXPECT_EQ(3, settings.GetDownloadsCompleted());
    EXPECT_EQ(2, settings.GetTAFSate());
    EXPECT_EQ(4321, settings.GetLocalPort());
    EXPECT_EQ(5, settings.GetMaxDownloads());
    EXPECT_EQ(200, settings.GetColumnWidth(0));
    EXPECT_EQ(90, settings.GetColumnWidth(1));
    const WINDOWPLACEMENT read = settings.GetWindowPlacement();
    EXPECT_EQ(0, std::memcmp(&placement, &read, sizeof placement));
    EXPECT_FALSE(settings.GetTAFPrompted()) << "run-only values start afresh";
}

TEST_F(SettingsTest, AutostartEntryFollowsLoadOnStartup)
{
    const CRegistryKey run(m_runKey);
    {
        CSettingsManager settings(m_location);
        settings.SetLoadOnStartup(1);
    }
    CString command;
    ASSERT_TRUE(run.GetString("Tarnix", command));
    char module[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    EXPECT_EQ("\"" + CString(module) + "\" /background", command);
    EXPECT_EQ(command, CSettingsManager::AutostartCommand());
    EXPECT_TRUE(IsBackgroundStart(command)) << "a start from the entry must be seen as one";

    {
        CSettingsManager settings(m_location);
        settings.SetLoadOnStartup(0);
    }
    EXPECT_FALSE(run.ValueExists("Tarnix"));
}

TEST_F(SettingsTest, TextsReadOnWorkerThreadsAreNeverTorn)
{
    CSettingsManager settings(m_location);
    const CString a('a', 500);
    const CString b('b', 20);
    settings.SetSubject(a);
    std::atomic<bool> stop{false};
    std::atomic<int> torn{0};
    std::vector<std::thread> readers;
    for (int t = 0; t < 3; ++t) {
        readers.emplace_back([&] {
            while (!stop.load()) {
                const CString seen = settings.GetSubject();
                if (seen != a && seen != b)
                    ++torn;
            }
        });
    }
    for (int i = 0; i < 300; ++i)
        settings.SetSubject(i % 2 ? a : b);
    stop = true;
    for (std::thread& reader : readers)
        reader.join();
    EXPECT_EQ(0, torn.load());
}

TEST_F(SettingsTest, ValueNamesWithABackslashLiveInASubkey)
{
    const CRegistryKey key(m_settingsKey);
    ASSERT_TRUE(key.SetString("Update\\lastShowUpdateDlg", "7.3.2005"));
    CString text;
    ASSERT_TRUE(key.GetString("Update\\lastShowUpdateDlg", text));
    EXPECT_EQ("7.3.2005", text);
    EXPECT_FALSE(key.ValueExists("lastShowUpdateDlg"));

    CRegistryHandle sub;
    ASSERT_EQ(ERROR_SUCCESS, sub.Open(HKEY_CURRENT_USER, m_settingsKey + "Update"));
    EXPECT_TRUE(sub.ReadString("lastShowUpdateDlg", text));
    sub.Close();

    ASSERT_TRUE(key.SetDword("Update\\count", 4));
    DWORD count = 0;
    EXPECT_TRUE(key.GetDword("Update\\count", count));
    EXPECT_EQ(4u, count);
    EXPECT_FALSE(key.GetString("Update\\count", text));
    const unsigned char bytes[3] = {1, 2, 3};
    ASSERT_TRUE(key.SetBinary("Update\\blob", bytes, 3));
    unsigned char back[8] = {};
    EXPECT_EQ(3u, key.GetBinary("Update\\blob", back, sizeof back));
    EXPECT_EQ(0u, key.GetBinary("Update\\blob", back, 2)) << "too small a buffer reads nothing";
    EXPECT_TRUE(key.DeleteValue("Update\\blob"));
    EXPECT_FALSE(key.ValueExists("Update\\blob"));

    EXPECT_TRUE(key.DeleteKey("Update"));
    EXPECT_FALSE(key.ValueExists("Update\\count"));
    EXPECT_FALSE(key.DeleteKey("Update"));
}

TEST(SettingsHelpers, RecogniseBackgroundStartsAndCountDays)
{
    EXPECT_TRUE(IsBackgroundStart("\"C:\\Program Files\\Tarnix\\Tarnix.exe\" /background"));
    EXPECT_TRUE(IsBackgroundStart("tarnix.exe /background"));
    EXPECT_FALSE(IsBackgroundStart("tarnix.exe/background"));
    EXPECT_FALSE(IsBackgroundStart("tarnix.exe"));
    EXPECT_FALSE(IsBackgroundStart(nullptr));
    EXPECT_EQ(7, GetDays(7 * 86400LL));
    EXPECT_EQ(6, GetDays(7 * 86400LL - 1));
    EXPECT_EQ(57870, GetDays(5000000000LL));
    const CString temp = GetTempFolder();
    EXPECT_EQ("\\temp", temp.Right(5));
    EXPECT_GT(temp.GetLength(), 5);
}

TEST_F(SettingsTest, TheAddressBookIsReadWithTheSettingsFromItsFolder)
{
    CScratchFolder folder;
    m_location.xmlFolder = folder.Path();
    ASSERT_TRUE(SaveItemsXml(folder + "AddressBook.xml", {{"a@x.test", "A"}}));
    {
        CSettingsManager settings(m_location);
        bool found = false;
        EXPECT_EQ("A", settings.GetAddressBook().Find("A@X.TEST", found).second);
        EXPECT_TRUE(settings.GetAddressBook().Add("b@x.test", "B", true));
    }
    CItemList items;
    ASSERT_TRUE(LoadItemsXml(folder + "AddressBook.xml", items));
    EXPECT_EQ(2u, items.size());
}
