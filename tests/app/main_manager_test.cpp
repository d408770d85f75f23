// The main manager's start against a recording messaging service and user interface.

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/AddressBook.h"
#include "app/FileLink.h"
#include "app/MainManager.h"
#include "app/SettingsManager.h"
#include "app/TransferManager.h"
#include "app/TransferingFile.h"
#include "app/UserInterfaceSeam.h"
#include "app/XmlStore.h"
#include "app/XmlStoreFile.h"
#include "framework/MessageBox.h"
#include "support/CoreTestSupport.h"
#include "support/FailingAllocation.h"
#include "support/LinkTestSupport.h"
#include "support/WabStubKey.h"

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

// Notes the link opened and what the setting held meanwhile; with a transfer manager it also
// accepts the link, as the user interface does, and notes the answer.
class CStepInterface : public IUserInterfaceSeam {
public:
    CStepInterface(CSettingsManager& settings, CTransferManager* transfers)
        : m_settings(settings), m_transfers(transfers)
    {}
    void OpenLinkText(const CString& text) override
    {
        g_steps->push_back("open " + text.str() + " setting '" + m_settings.GetInitialFileLink().str() + "'");
        if (!m_transfers)
            return;
        CFileLink link;
        g_steps->push_back(link.ParseLinkURL(text) && m_transfers->AcceptLink(link) ? "accepted" : "refused");
    }
    void OnOptions() override { g_steps->push_back("options"); }
    bool ShowUpdateDialog(const CString&, const CString&, bool) override { return false; }
    void DestroyUpdateDialog() override {}

private:
    CSettingsManager& m_settings;
    CTransferManager* m_transfers;
};

std::vector<std::string>* g_saves = nullptr; // the files saved, by name

void RecordSave(const CString& path)
{
    if (g_saves)
        g_saves->push_back(path.Mid(path.ReverseFind('\\') + 1).str());
}

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
        SSettingsLocation location = keys.Location();
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
        g_steps = nullptr;
    }
    // The start; with `accepting` the user interface accepts the pending link. The files saved
    // meanwhile are noted in `saves`.
    void Init(bool accepting = false)
    {
        CTransferManager::SConfig config;
        config.settings = settings.get();
        config.service = &service;
        config.folder = xmlFolder;
        CTransferManager transfers(config);
        CMainManager manager;
        CStepInterface ui(*settings, accepting ? &transfers : nullptr);
        manager.SetUserInterface(&ui);
        g_saves = &saves;
        SetReplaceObserverForTest(&RecordSave);
        EXPECT_TRUE(manager.Init(*settings, transfers));
        SetReplaceObserverForTest(nullptr);
        g_saves = nullptr;
    }

    std::vector<std::string> steps;
    std::vector<std::string> saves;
    CTempFolder folder;
    CString xmlFolder;
    CStepService service;
    coretest::CSettingsKeys keys{"TarnixMainTest"};
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

TEST_F(MainManagerStart, TheSystemsContactsAreAddedThroughTheStartAndTheBookSavedOnce)
{
    coretest::CWabStubKey key;
    key.UseStub();
    key.WriteContacts("N=Ann|E=ann@x.test\nN=New Name|E=KNOWN@x.test\nN=Ann Again|E=ann@x.test\nE=noname@x.test\n");
    settings->GetAddressBook().Add("known@x.test", "Stored", false);
    settings->SetExtructOutlook(1);
    Init();
    EXPECT_EQ(saves, (std::vector<std::string>{"AddressBook.xml"}));
    CAddressBook saved;
    ASSERT_TRUE(saved.Load(folder / "AddressBook.xml"));
    bool found = false;
    EXPECT_EQ(saved.Find("ann@x.test", found).second, "Ann");
    EXPECT_EQ(saved.Find("known@x.test", found).second, "Stored");
    CItemList all;
    saved.GetSuggestions("", all);
    EXPECT_EQ(all.size(), 2u);
    EXPECT_EQ(steps, (std::vector<std::string>{"start 5001 local", "connect"}));
}

TEST_F(MainManagerStart, TheListIsLoadedBeforeThePendingLinkSoAKnownLinkIsRefused)
{
    CFileLink link = linktest::TwoPartyLink();
    link.m_entries.push_back(linktest::Entry(0, "known.bin", 10));
    std::vector<STransferListItem> known(1);
    known[0].type = 2;
    std::memcpy(known[0].fileId, link.m_entries[0].m_fileId, 16);
    known[0].realName = folder / "known.bin";
    known[0].shortName = "known.bin";
    known[0].size = 10;
    ASSERT_TRUE(SaveTransferListXml(folder / "DUList.xml", known));
    settings->SetExtructOutlook(0);
    settings->SetInitialFileLink(link.BuildLinkURL());
    Init(true);
    ASSERT_EQ(steps.size(), 4u);
    EXPECT_EQ(steps[2], "refused");
    EXPECT_EQ(settings->GetInitialFileLink(), "");

    // The same link, not yet known, is accepted.
    ASSERT_TRUE(SaveTransferListXml(folder / "DUList.xml", {}));
    settings->SetInitialFileLink(link.BuildLinkURL());
    steps.clear();
    Init(true);
    ASSERT_EQ(steps.size(), 4u);
    EXPECT_EQ(steps[2], "accepted");
}

TEST_F(MainManagerStart, TheInstallerGoesIntoTheDownloadFolderAndComesFromTheConfiguredUrl)
{
    CMainManager manager;
    EXPECT_EQ(manager.GetInstallerPath(), "");
    EXPECT_EQ(manager.MakeInstallerPath(*settings), folder / "TarnixInstall.exe");
    EXPECT_EQ(manager.GetInstallerPath(), folder / "TarnixInstall.exe");
    EXPECT_EQ(CMainManager::GetInstallerUrl(), "http://tarnix.test/download/TarnixInstall.exe");
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

TEST(MainManager, AFileEventTheQueueHasNoMemoryForIsDroppedAndItsSnapshotReleased)
{
    const long before = CTransferingFile::LiveCount();
    {
        CMainManager manager;
        bool failed = false;
        for (std::uint32_t id = 1; id < 100000 && !failed; ++id) {
            const SFileEvent event = AddedEvent(id);
            coretest::FailAllocationAfter(0);
            const bool pushed = CMainManager::PushFileEvent(event);
            failed = coretest::AllocationFailed();
            coretest::FailAllocationAfter(-1);
            EXPECT_NE(pushed, failed);
        }
        ASSERT_TRUE(failed) << "the queue never allocated";
        EXPECT_EQ(CTransferingFile::LiveCount(), before + static_cast<long>(manager.GetFileQueue().Size()));
    }
    EXPECT_EQ(CTransferingFile::LiveCount(), before);
}
