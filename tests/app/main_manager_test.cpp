// The main manager's start against a recording messaging service and user interface.

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/AddressBook.h"
#include "app/MainManager.h"
#include "app/SettingsManager.h"
#include "app/TransferManager.h"
#include "app/TransferingFile.h"
#include "app/UserInterfaceSeam.h"
#include "framework/MessageBox.h"
#include "support/CoreTestSupport.h"

using namespace coretest;

namespace {

std::vector<std::string>* g_steps = nullptr; // the order of everything the start did

class CStepService : public ITransferService {
public:
    bool Start(Events*, const std::uint8_t*, std::uint16_t port, bool local) override
    {
        g_steps->push_back("start " + std::to_string(port) + (local ? " local" : ""));
        return true;
    }
    bool Connect() override
    {
        g_steps->push_back("connect");
        return true;
    }
    bool Disconnect() override { return true; }
    void Stop() override {}
    bool SendMailRequest(std::uint32_t, const std::string&) override { return false; }
    bool SendReport(const std::string&) override { return true; }
    Status PostStartDownload(const std::uint8_t*, const std::uint8_t*, IDownloadCallback*) override { return ST_FAIL; }
    Status PostDownloadCommand(const std::uint8_t*, std::uint32_t) override { return ST_SUCCESS; }
    Status PostUploadCommand(const std::uint8_t*, std::uint32_t) override { return ST_SUCCESS; }
    Status PostUploadLevel(const std::uint8_t*, std::uint32_t) override { return ST_SUCCESS; }
    std::uint16_t GetAntLocalPort() override { return 0; }
};

// Opening a link "fails" here: it only notes the link and what the setting held meanwhile.
class CStepInterface : public IUserInterfaceSeam {
public:
    explicit CStepInterface(CSettingsManager& settings) : m_settings(settings) {}
    void OpenLinkText(const CString& text) override
    {
        g_steps->push_back("open " + text.str() + " setting '" + m_settings.GetInitialFileLink().str() + "'");
    }
    void OnOptions() override { g_steps->push_back("options"); }

private:
    CSettingsManager& m_settings;
};

int RecordBox(const char* text, UINT, void*)
{
    g_steps->push_back(std::string("box ") + text);
    return IDOK;
}

class MainManagerStart : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_steps = &steps;
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\TarnixMainTest");
        SSettingsLocation location;
        location.settingsKey = "Software\\TarnixMainTest\\";
        location.runKey = "Software\\TarnixMainTest\\Run\\";
        xmlFolder = folder.Path() + "\\";
        location.xmlFolder = xmlFolder;
        settings = std::make_unique<CSettingsManager>(location);
        settings->SetDownloadLocation(folder.Path());
        settings->SetLocalPort(5001);
        settings->SetEnableLocalConnections(1);
        SetMessageBoxHook(&RecordBox, nullptr);
    }
    void TearDown() override
    {
        SetMessageBoxHook(nullptr, nullptr);
        settings.reset();
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\TarnixMainTest");
        g_steps = nullptr;
    }
    void Init()
    {
        CTransferManager::SConfig config;
        config.settings = settings.get();
        config.service = &service;
        config.folder = xmlFolder;
        CTransferManager transfers(config);
        CMainManager manager;
        CStepInterface ui(*settings);
        manager.SetUserInterface(&ui);
        EXPECT_TRUE(manager.Init(*settings, transfers));
    }

    std::vector<std::string> steps;
    CTempFolder folder;
    CString xmlFolder;
    CStepService service;
    std::unique_ptr<CSettingsManager> settings;
};

} // namespace

TEST_F(MainManagerStart, StartsThenOpensThePendingLinkOnceEmptiedThenConnects)
{
    settings->SetExtructOutlook(0);
    settings->SetInitialFileLink("http://tarnix.test/fl.php?x=1");
    Init();
    EXPECT_EQ(steps, (std::vector<std::string>{"start 5001 local", "open http://tarnix.test/fl.php?x=1 setting ''",
                                               "connect"}));
    EXPECT_EQ(settings->GetInitialFileLink(), "");
    EXPECT_FALSE(Exists(folder / "AddressBook.xml"));
    steps.clear();
    Init(); // nothing pending any more
    EXPECT_EQ(steps, (std::vector<std::string>{"start 5001 local", "connect"}));
}

TEST_F(MainManagerStart, AnUnwritableDownloadFolderIsShownAndTheOptionsAskedFor)
{
    settings->SetExtructOutlook(0);
    settings->SetDownloadLocation((folder / "missing\\deeper").GetString());
    Init();
    ASSERT_EQ(steps.size(), 4u);
    EXPECT_EQ(steps[1],
              "box The Download Directory you've specified is not Valid or writable. Please select another one.");
    EXPECT_EQ(steps[2], "options");
}

TEST_F(MainManagerStart, ReadingTheSystemsContactsSavesTheBookEvenWhenThereAreNone)
{
    // Wine has no Windows Address Book: nothing is read, the book is still saved at start.
    settings->SetExtructOutlook(1);
    Init();
    EXPECT_TRUE(Exists(folder / "AddressBook.xml"));
    EXPECT_EQ(steps, (std::vector<std::string>{"start 5001 local", "connect"}));
}

namespace {

// A file event whose snapshot holds the one reference the event owns.
SFileEvent AddedEvent(std::uint32_t id)
{
    CTransferingFile* snapshot = new CTransferingFile();
    snapshot->AddRef();
    return SFileEvent{FILE_EVENT_ADDED, id, snapshot};
}

} // namespace

TEST(MainManager, SnapshotsStillQueuedAtTheEndAreReleased)
{
    const long before = CTransferingFile::LiveCount();
    {
        CMainManager manager;
        for (std::uint32_t id = 1; id <= 3; ++id)
            ASSERT_TRUE(CMainManager::PushFileEvent(AddedEvent(id)));
        EXPECT_EQ(CTransferingFile::LiveCount(), before + 3);
    }
    EXPECT_EQ(CTransferingFile::LiveCount(), before);
    // With no manager left, a push is dropped and its snapshot released at once.
    EXPECT_FALSE(CMainManager::PushFileEvent(AddedEvent(4)));
    EXPECT_EQ(CTransferingFile::LiveCount(), before);
}
