// The transfer manager against a fake messaging service: offers on- and offline, sleeping links
// and mails, limits, commands, and references that outlive a cancel.

#include <algorithm>
#include <chrono>
#include <cstring>
#include <functional>
#include <future>
#include <random>
#include <set>
#include <thread>

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include "app/AddressBook.h"
#include "app/DownloadFile.h"
#include "app/LinkUrlCodec.h"
#include "app/SettingsManager.h"
#include "app/TransferManager.h"
#include "app/UploadFile.h"
#include "app/XmlStore.h"
#include "framework/MessageBox.h"
#include "support/CoreTestSupport.h"
#include "support/TransportManagerTestSupport.h"
#include "transport/transfer/CloseReason.h"
#include "transport/transfer/DataMessages.h"
#include "transport/transfer/TransportManagerThread.h"

using namespace coretest;
using transfer_test::Build;
using transfer_test::CMessagePeer;
using transfer_test::SReceivedMessage;

namespace {

// Records what reaches it; holds a started download's callback as the pipe message would.
class CFakeService : public ITransferService {
public:
    struct SPost {
        std::string what;
        unsigned char fileId[16];
        std::uint32_t value;
    };

    bool Start(Events* sink, const std::uint8_t*, std::uint16_t, bool) override
    {
        events = sink;
        return true;
    }
    bool Connect() override { return true; }
    bool Disconnect() override { return true; }
    void Stop() override { ReleaseHeld(); }
    bool SendMailRequest(std::uint32_t, const std::string& text) override
    {
        sti::CScopedLock guard(lock);
        if (!acceptMail)
            return false;
        mails.push_back(text);
        return true;
    }
    bool SendReport(const std::string& text) override
    {
        sti::CScopedLock guard(lock);
        reports.push_back(text);
        return true;
    }
    Status PostStartDownload(const std::uint8_t fileId[16], const std::uint8_t* peerId,
                             IDownloadCallback* callback) override
    {
        if (pipe) {
            // As the messaging service posts: the message holds a reference of its own.
            callback->AddRef();
            const Status status = PostTMStartDownload(pipe, fileId, peerId, callback);
            if (status != ST_SUCCESS)
                callback->Release();
            return status;
        }
        if (refuseStarts)
            return ST_NOT_CONNECTED; // as with no engine running
        callback->AddRef();
        sti::CScopedLock guard(lock);
        held.push_back(callback);
        (void)Note("start", fileId, 0); // always ST_SUCCESS
        return ST_SUCCESS;
    }
    Status PostDownloadCommand(const std::uint8_t fileId[16], std::uint32_t c) override
    {
        return pipe ? PostTMCloseDownload(pipe, fileId, c) : Note("download", fileId, c);
    }
    Status PostUploadCommand(const std::uint8_t fileId[16], std::uint32_t c) override
    {
        return pipe && !holdUploadCommands ? PostTMCloseUpload(pipe, fileId, c) : Note("upload", fileId, c);
    }
    Status PostUploadLevel(const std::uint8_t fileId[16], std::uint32_t l) override { return Note("level", fileId, l); }
    std::uint16_t GetAntLocalPort() override { return 4321; }

    Status Note(const char* what, const std::uint8_t fileId[16], std::uint32_t value)
    {
        sti::CScopedLock guard(lock);
        SPost post{what, {}, value};
        std::memcpy(post.fileId, fileId, 16);
        posts.push_back(post);
        return ST_SUCCESS;
    }
    int Count(const char* what, std::uint32_t value = ~0u)
    {
        sti::CScopedLock guard(lock);
        int n = 0;
        for (const SPost& p : posts)
            n += p.what == what && (value == ~0u || p.value == value) ? 1 : 0;
        return n;
    }
    int Reports(const char* code)
    {
        sti::CScopedLock guard(lock);
        int n = 0;
        for (const std::string& r : reports)
            n += r.compare(0, 2, code) == 0 ? 1 : 0;
        return n;
    }
    void ReleaseHeld()
    {
        std::vector<IDownloadCallback*> callbacks;
        {
            sti::CScopedLock guard(lock);
            callbacks.swap(held);
        }
        for (IDownloadCallback* callback : callbacks)
            callback->Release();
    }

    sti::CMutex lock;
    Events* events = nullptr;
    std::atomic<bool> acceptMail{true};
    std::atomic<bool> refuseStarts{false};

    std::vector<std::string> mails;
    std::vector<std::string> reports;
    std::vector<SPost> posts;
    std::vector<IDownloadCallback*> held;
    CTransportManagerQueue* pipe = nullptr;      // a real transport-manager thread's, when set
    std::atomic<bool> holdUploadCommands{false}; // noted, not posted: the test posts them late
};

// This copy's transfer engine: a transport-manager thread over the Ant stand-in, to which the
// fake service posts; the test plays the server and the peer at the other end of each
// connection, with raw data messages.
class CEngine {
public:
    explicit CEngine(CFakeService& service) : m_service(service), thread(&direct.ant)
    {
        STransportTimings timings;
        timings.FirstLocateMs = 10;
        timings.LocateMs = 300;
        thread.SetTimings(timings);
        EXPECT_EQ(ST_SUCCESS, thread.Launch(queue, &outlet));
        service.pipe = queue.get();
    }
    ~CEngine() { m_service.pipe = nullptr; }

    // An upload session for a downloader's request, with the callback the service got for it.
    std::unique_ptr<CMessagePeer> Upload(IUploadCallback* callback)
    {
        EXPECT_EQ(ST_SUCCESS, PostTMNewUpload(queue.get(), 9, ++m_key, 0, callback));
        return std::make_unique<CMessagePeer>(direct.sessions.Accept());
    }
    // A look for the uploader not yet answered here (the next one, if none), answered by the
    // server with the uploader's address, and the connection that follows.
    std::unique_ptr<CMessagePeer> Download(const unsigned char fileId[16])
    {
        const int connects = outlet.Count(4);
        EXPECT_TRUE(tm_test::WaitFor([&] { return outlet.Count(29) > m_answered; }));
        m_answered = outlet.Count(29);
        EXPECT_EQ(ST_SUCCESS, PostTMAnswer(queue.get(), fileId /* not read */, fileId, TICKET));
        EXPECT_TRUE(tm_test::WaitFor([&] { return outlet.Count(4) > connects; }));
        EXPECT_EQ(ST_SUCCESS,
                  PostTMIncomingDownload(queue.get(), outlet.Commands(4).back().handle, TICKET, ++m_key, 0));
        return std::make_unique<CMessagePeer>(direct.sessions.Accept());
    }

private:
    static constexpr std::uint32_t TICKET = 77;
    CFakeService& m_service;
    std::uint32_t m_key = 0;
    int m_answered = 0; // looks answered by Download

public:
    tm_test::CDirectAnt direct;
    tm_test::CRecordingOutlet outlet;
    std::unique_ptr<CTransportManagerQueue> queue;
    CTransportManagerThread thread; // stops first, releasing the records it holds
};

// The engine's next message to the peer, data blocks skipped: "request", "range", "info", "end",
// "close REASON", or "none" when nothing came.
std::string Next(CMessagePeer& peer)
{
    while (tm_test::WaitFor([&] {
        peer.Poll();
        return peer.HasMessage();
    })) {
        const SReceivedMessage message = peer.Pop();
        static const char* const names[] = {"?", "block", "range", "request", "info", "end"};
        std::uint32_t reason = 0;
        sti::CMessageReader reader(message.body.data(), static_cast<std::uint32_t>(message.body.size()));
        if (message.type == DATA_MSG_CLOSE && ReadClose(reader, reason) == ST_SUCCESS)
            return "close " + std::to_string(reason);
        if (message.type != DATA_MSG_DATA_BLOCK)
            return names[message.type < std::size(names) ? message.type : 0];
    }
    return "none";
}

void Send(CMessagePeer& peer, const std::function<Status(DataMessageBlock&)>& writer)
{
    EXPECT_TRUE(peer.Send(*Build(writer)));
}

// A download whose session, once the transport-manager thread takes it, holds that thread in
// its AddRef until the test opens the gate: the messages behind it wait in the pipe.
class CGateDownload : public IDownloadCallback {
public:
    std::uint32_t AddRef() override
    {
        const std::uint32_t count = ++m_count;
        if (count == 2) { // the session's, on the thread
            m_held.set_value();
            m_gate.wait_for(std::chrono::seconds(10));
        }
        return count;
    }
    void Release() override { --m_count; }
    void OnConnected(const std::uint32_t*) override {}
    void OnClosed(int, std::uint32_t) override {}
    void SetSessionStatus(int) override {}
    void OnFileInfo(const std::uint8_t*, const TransferFileList&) override {}
    Status OnRangeEnd() override { return ST_MORE_DATA; }
    void OnBlock(std::uint32_t, std::uint32_t, std::uint32_t, const std::uint8_t*) override {}
    void OnNotice(int) override {}
    Status GetNextRange(std::uint64_t*, std::uint64_t*) override { return ST_IO_ERROR; }

    bool WaitHeld() { return m_heldSeen.wait_for(std::chrono::seconds(5)) == std::future_status::ready; }
    void Open() { m_opener.set_value(); }
    long Count() const { return m_count; }

private:
    std::atomic<long> m_count{0};
    std::promise<void> m_held;
    std::future<void> m_heldSeen = m_held.get_future();
    std::promise<void> m_opener;
    std::shared_future<void> m_gate = m_opener.get_future().share();
};

class CSilentOutlet : public ITransportManagerOutlet {
public:
    bool SendSessionRequest(const std::uint8_t*, const std::uint8_t*) override { return true; }
    bool SendConnectRequest(std::uint32_t, std::uint32_t) override { return true; }
};

CTime g_now(1700000000);
CTime TestClock()
{
    return g_now;
}

// A mail request read as the server reads it: its link, and its files' names and sizes.
struct SLinkMail {
    explicit SLinkMail(const std::string& request)
    {
        const std::string utf8 = linkurl::UrlDecode(request);
        parsed = document.load_buffer(utf8.data(), utf8.size(), pugi::parse_default, pugi::encoding_utf8) &&
                 std::string(document.document_element().name()) == "FLEmail";
        const pugi::xml_node root = document.document_element();
        for (pugi::xml_node file : root.child("FilesList").children("File"))
            files.push_back(std::string(file.child("Name").text().get()) + " " + file.child("Size").text().get());
        linkRead = link.ParseLinkURL(root.child("FL").text().get());
    }
    pugi::xml_document document;
    bool parsed = false;
    std::vector<std::string> files; // "name size"
    CFileLink link;
    bool linkRead = false;
};

// The same files, by id, in the same order.
bool SameFiles(const CFileLink& a, const CFileLink& b)
{
    if (a.m_entries.size() != b.m_entries.size())
        return false;
    for (std::size_t i = 0; i < a.m_entries.size(); ++i)
        if (std::memcmp(a.m_entries[i].m_fileId, b.m_entries[i].m_fileId, 16) != 0)
            return false;
    return true;
}

// What a link URL carries of the link: its first file's id and name, the count of files and
// their total size (no size of its own), sender and recipient.
void ExpectUrlLink(const CFileLink& sent, const CFileLink& read)
{
    ASSERT_EQ(sent.m_entries.size(), read.m_entries.size());
    EXPECT_EQ(0, std::memcmp(read.m_entries[0].m_fileId, sent.m_entries[0].m_fileId, 16));
    EXPECT_EQ(sent.m_entries[0].m_name, read.m_entries[0].m_name);
    EXPECT_EQ(sent.m_totalSize, read.m_totalSize);
    EXPECT_EQ(sent.m_senderEmail, read.m_senderEmail);
    EXPECT_EQ(sent.m_recipientEmail, read.m_recipientEmail);
    EXPECT_EQ(0, std::memcmp(read.m_senderUserId, sent.m_senderUserId, 16));
}

int RecordBox(const char* text, UINT, void* context)
{
    static_cast<std::vector<std::string>*>(context)->push_back(text);
    return IDOK;
}

class Manager : public ::testing::Test {
protected:
    void SetUp() override
    {
        liveAtStart = CTransferingFile::LiveCount();
        SSettingsLocation location = keys.Location();
        xmlFolder = folder.Path() + "\\";
        location.xmlFolder = xmlFolder;
        settings = std::make_unique<CSettingsManager>(location);
        settings->SetDownloadLocation(folder.Path());
        manager = std::make_unique<CMainManager>();
        SetMessageBoxHook(&RecordBox, &boxes);
        Restart();
    }
    // A new transfer manager over the same folder, as after the program's restart.
    void Restart()
    {
        transfers.reset();
        CTransferManager::SConfig config;
        config.settings = settings.get();
        config.service = &service;
        config.folder = folder.Path() + "\\";
        config.clock = &TestClock;
        transfers = std::make_unique<CTransferManager>(config);
        const std::uint8_t user[16] = {1};
        transfers->Start(user, 0, true);
    }
    void TearDown() override
    {
        transfers.reset();
        SetMessageBoxHook(nullptr, nullptr);
        SFileEvent event;
        while (manager->GetFileQueue().Pop(event, 0))
            if (event.snapshot)
                event.snapshot->Release();
        manager.reset();
        settings.reset();
        EXPECT_EQ(liveAtStart, CTransferingFile::LiveCount());
    }
    std::int32_t Status(std::uint32_t id)
    {
        CTransferingFile copy;
        return transfers->Registry().GetCopy(id, copy) ? copy.m_fileStatus : -100;
    }
    // Records alive besides the user interface's snapshots (released here).
    long LiveRecords()
    {
        SFileEvent event;
        while (manager->GetFileQueue().Pop(event, 0))
            if (event.snapshot)
                event.snapshot->Release();
        return CTransferingFile::LiveCount() - liveAtStart;
    }
    std::vector<std::uint32_t> Ids()
    {
        std::vector<std::uint32_t> ids;
        transfers->Registry().ListSuspended(ids);
        transfers->Registry().ListActive(ids);
        std::sort(ids.begin(), ids.end());
        return ids;
    }
    int CountOf(const CFileLink& link, std::int32_t status)
    {
        std::vector<std::uint32_t> ids;
        transfers->Registry().ListLinkUploads(link, ids);
        int n = 0;
        for (std::uint32_t id : ids)
            n += Status(id) == status ? 1 : 0;
        return n;
    }
    // The uploader's answer: the record's own file as "one.bin" of the size.
    static void Announce(CDownloadFile* record, std::uint64_t size)
    {
        STransferFileEntry info;
        std::memcpy(info.Id, record->m_fileId, 16);
        info.Name = "one.bin";
        info.Size = size;
        record->OnFileInfo(info.Id, {info});
    }
    CFileLink Offer(const char* subject, int files = 2)
    {
        std::vector<CLinkFileEntry> entries;
        for (int i = 0; i < files; ++i)
            entries.push_back(
                Entry(i, i == 0 ? "one.bin" : "more.bin", 1000 + i, folder.Path(), static_cast<unsigned char>(seed)));
        ++seed;
        CFileLink link = LinkOf(entries);
        link.m_subject = subject;
        return link;
    }

    CTempFolder folder;
    CString xmlFolder;
    CFakeService service;
    std::vector<std::string> boxes;
    coretest::CSettingsKeys keys{"TarnixCoreTest"};
    std::unique_ptr<CSettingsManager> settings;
    std::unique_ptr<CMainManager> manager;
    std::unique_ptr<CTransferManager> transfers;
    long liveAtStart = 0;
    int seed = 1;
};

} // namespace

TEST_F(Manager, AnOfferOnlineIsMailedAndOfflineSleepsUntilTheServiceIsBack)
{
    transfers->OnStatusChanged(3);
    CFileLink link = Offer("online");
    EXPECT_TRUE(transfers->SendOffer(link));
    EXPECT_EQ(2, service.Reports("UL"));
    ASSERT_EQ(1u, service.mails.size());
    const SLinkMail mail(service.mails[0]);
    ASSERT_TRUE(mail.parsed);
    EXPECT_EQ(mail.files, (std::vector<std::string>{"one.bin 1000", "more.bin 1001"}));
    ASSERT_TRUE(mail.linkRead);
    ExpectUrlLink(link, mail.link);
    EXPECT_EQ(1, service.Count("level", 2)); // Bandwidth 0
    for (std::uint32_t id : Ids())
        EXPECT_EQ(FS_AWAITING_APPROVAL, Status(id));

    // Offline: the box, the link sleeps, its records wait for the mail.
    transfers->OnStatusChanged(1);
    service.acceptMail = false;
    const CFileLink offline = Offer("offline");
    EXPECT_FALSE(transfers->SendOffer(offline));
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ(0u, boxes[0].find("Email Cannot be sent"));
    EXPECT_EQ(1u, transfers->SleepingLinkCount());
    EXPECT_EQ(2, CountOf(offline, FS_PENDING_EMAIL));
    std::vector<CFileLink> sleeping;
    std::vector<CTAFEmail> mails;
    ASSERT_TRUE(LoadSleepingXml(folder / "SleepingLinks.xml", sleeping, mails));
    ASSERT_EQ(1u, sleeping.size());
    EXPECT_TRUE(SameFiles(offline, sleeping[0]));
    EXPECT_EQ(CString("offline"), sleeping[0].m_subject);
    EXPECT_EQ(CString("bob@test"), sleeping[0].m_recipientEmail);

    // Online twice: sent once, the records awaiting approval.
    service.acceptMail = true;
    transfers->OnStatusChanged(3);
    transfers->OnStatusChanged(3);
    EXPECT_EQ(2u, service.mails.size());
    EXPECT_EQ(0u, transfers->SleepingLinkCount());
    for (std::uint32_t id : Ids())
        EXPECT_EQ(FS_AWAITING_APPROVAL, Status(id));
    EXPECT_EQ(4321, settings->GetLocalPort());
    ASSERT_TRUE(LoadSleepingXml(folder / "SleepingLinks.xml", sleeping, mails));
    EXPECT_TRUE(sleeping.empty());
    ExpectUrlLink(offline, SLinkMail(service.mails.back()).link);

    // The connection closed before the mail left: it sleeps again, however many mails were
    // handed over since, and only once.
    service.acceptMail = true;
    for (int i = 0; i < 40; ++i)
        ASSERT_TRUE(transfers->SendLink(Offer("later", 1)));
    const std::string lost = service.mails[1];
    transfers->OnMailNotSent(0, lost);
    transfers->OnMailNotSent(0, lost);
    EXPECT_EQ(1u, transfers->SleepingLinkCount());
    EXPECT_EQ(2, CountOf(offline, FS_PENDING_EMAIL));
    ASSERT_TRUE(LoadSleepingXml(folder / "SleepingLinks.xml", sleeping, mails));
    ASSERT_EQ(1u, sleeping.size());
    EXPECT_TRUE(SameFiles(offline, sleeping[0]));
    // A mail the service wrote is forgotten: its loss cannot be reported any more.
    transfers->OnMailSent(0, service.mails[2]);
    transfers->OnMailNotSent(0, service.mails[2]);
    EXPECT_EQ(1u, transfers->SleepingLinkCount());
    // Back online, it leaves again and its uploads await approval.
    transfers->OnStatusChanged(1);
    transfers->OnStatusChanged(3);
    EXPECT_EQ(0u, transfers->SleepingLinkCount());
    EXPECT_EQ(lost, service.mails.back());
    EXPECT_EQ(2, CountOf(offline, FS_AWAITING_APPROVAL));
}

TEST_F(Manager, ALinkWhoseMailFailsJustBeforeTheServiceIsOnlineLeavesOnceItIs)
{
    // The service comes online on its own thread while the box is open.
    service.acceptMail = false;
    struct SGoOnline {
        CFakeService& service;
        CTransferManager& transfers;
    } online{service, *transfers};
    SetMessageBoxHook(
        [](const char*, UINT, void* context) {
            SGoOnline& go = *static_cast<SGoOnline*>(context);
            std::thread([&] {
                go.service.acceptMail = true;
                go.transfers.OnStatusChanged(3);
            }).join();
            return IDOK;
        },
        &online);
    const CFileLink link = Offer("box", 1);
    EXPECT_FALSE(transfers->SendOffer(link));
    EXPECT_EQ(1u, service.mails.size());
    EXPECT_EQ(0u, transfers->SleepingLinkCount());
    EXPECT_EQ(1, CountOf(link, FS_AWAITING_APPROVAL));
}

TEST_F(Manager, ALinkCopiedBeforeARecipientWasNamedKeepsItsRecordsButMailsNothing)
{
    for (const std::uint8_t status : {3, 1}) { // online, then offline: neither mails nor sleeps
        transfers->OnStatusChanged(status);
        CFileLink link = Offer("copied");
        link.m_recipientEmail.Empty();
        link.m_recipientName.Empty();
        EXPECT_TRUE(transfers->SendOffer(link));
        EXPECT_TRUE(service.mails.empty());
        EXPECT_TRUE(boxes.empty());
        EXPECT_EQ(0u, transfers->SleepingLinkCount());
        EXPECT_EQ(2, CountOf(link, FS_AWAITING_APPROVAL)) << "requestable by whoever opens the link";
    }
    EXPECT_EQ(4, service.Reports("UL"));
}

TEST_F(Manager, SleepingMailsYoungerThanAWeekAreSentAndOlderOnesDropped)
{
    CTAFEmail young, old;
    young.m_time = g_now - 6 * 86400;
    old.m_time = g_now - 7 * 86400;
    young.m_recipients.push_back({"x@test", "X", true});
    old.m_recipients.push_back({"y@test", "Y", true});
    transfers->AddSleepingMail(old);
    transfers->AddSleepingMail(young);
    EXPECT_EQ(2u, transfers->SleepingMailCount());
    transfers->OnStatusChanged(3);
    EXPECT_EQ(0u, transfers->SleepingMailCount());
    ASSERT_EQ(1u, service.mails.size());
    EXPECT_NE(std::string::npos, service.mails[0].find("TNInvite"));
}

TEST_F(Manager, OneDownloadAtATimeTheSecondStartsWhenTheFirstCompletes)
{
    settings->SetUnlimitedDownloads(0);
    settings->SetMaxDownloads(1);
    transfers->OnStatusChanged(3);
    CFileLink a = Offer("a", 1), b = Offer("b", 1);
    ASSERT_TRUE(transfers->AcceptLink(a));
    ASSERT_TRUE(transfers->AcceptLink(b));
    EXPECT_FALSE(transfers->AcceptLink(b));
    EXPECT_EQ(2, service.Reports("DA"));
    bool known = false;
    EXPECT_EQ(CString("alice"), settings->GetAddressBook().Find("ALICE@test", known).second);
    EXPECT_TRUE(known);
    ASSERT_EQ(1, service.Count("start"));
    std::vector<std::uint32_t> ids = Ids();
    ASSERT_EQ(2u, ids.size());
    EXPECT_EQ(FS_CONNECTING, Status(ids[0]));
    EXPECT_EQ(FS_SUSPENDED, Status(ids[1]));

    CDownloadFile* first = static_cast<CDownloadFile*>(service.held[0]);
    Announce(first, 3);
    std::uint64_t start = 0, end = 0;
    ASSERT_EQ(ST_SUCCESS, first->GetNextRange(&start, &end));
    first->OnBlock(0, 0, 3, reinterpret_cast<const std::uint8_t*>("abc"));
    EXPECT_EQ(ST_NO_MORE_DATA, first->OnRangeEnd());
    first->OnClosed(CLOSED_HERE, CLOSE_REASON_COMPLETED);
    EXPECT_EQ(FS_COMPLETED, Status(ids[0]));
    EXPECT_EQ(2, service.Count("start"));
    EXPECT_EQ(FS_CONNECTING, Status(ids[1]));
}

TEST_F(Manager, ADownloadTheEngineDoesNotTakeWaitsSuspendedAndAResumeTriesAgain)
{
    transfers->OnStatusChanged(3);
    service.refuseStarts = true;
    ASSERT_TRUE(transfers->AcceptLink(Offer("r", 1)));
    const std::uint32_t id = Ids().at(0);
    EXPECT_EQ(FS_SUSPENDED, Status(id)); // not Connecting for ever
    EXPECT_FALSE(transfers->ResumeSuspendedDownload(id));
    EXPECT_EQ(FS_SUSPENDED, Status(id));
    service.refuseStarts = false;
    EXPECT_TRUE(transfers->ResumeSuspendedDownload(id));
    EXPECT_EQ(FS_CONNECTING, Status(id));
    EXPECT_EQ(1, service.Count("start"));
}

TEST_F(Manager, PauseAndCancelReachADownloadStillTryingAndTheRecordOutlivesTheMessage)
{
    transfers->OnStatusChanged(3);
    ASSERT_TRUE(transfers->AcceptLink(Offer("p", 1)));
    const std::uint32_t id = Ids().at(0);
    CDownloadFile* record = static_cast<CDownloadFile*>(service.held.at(0));
    record->OnNotice(1);
    EXPECT_EQ(FS_PEER_OFFLINE, Status(id));
    EXPECT_FALSE(transfers->ResumeDownload(id));
    EXPECT_TRUE(transfers->PauseDownload(id));
    EXPECT_EQ(FS_PAUSED, Status(id));
    EXPECT_EQ(1, service.Count("download", 4));
    EXPECT_FALSE(transfers->PauseDownload(id));
    EXPECT_TRUE(transfers->ResumeDownload(id));
    EXPECT_EQ(2, service.Count("start"));
    record->OnNotice(2);
    EXPECT_EQ(FS_NO_FREE_SLOTS, Status(id));

    // Cancelled while the engine still holds it: the record lives on, and its working file
    // goes with the last reference.
    Announce(record, 10);
    const CString working = record->m_workingPath;
    EXPECT_TRUE(Exists(working));
    EXPECT_TRUE(transfers->CancelDownload(id));
    EXPECT_EQ(-100, Status(id));
    EXPECT_EQ(1, service.Count("download", 3));
    EXPECT_EQ(1, service.Reports("DD"));
    EXPECT_FALSE(transfers->CancelDownload(id));
    record->SetSessionStatus(0);
    record->OnClosed(CLOSED_HERE, CLOSE_REASON_CANCELED);
    EXPECT_TRUE(Exists(working));
    service.ReleaseHeld();
    EXPECT_FALSE(Exists(working));
}

TEST_F(Manager, StatusesTheUserSetsAreSavedAtOnce)
{
    transfers->OnStatusChanged(3);
    ASSERT_TRUE(transfers->AcceptLink(Offer("saved", 1)));
    const std::uint32_t id = Ids().at(0);
    // The status a crash now would bring back.
    auto saved = [&] {
        std::vector<STransferListItem> list;
        return LoadTransferListXml(folder / "DUList.xml", list) && list.size() == 1 ? list[0].status : -1;
    };
    ASSERT_TRUE(transfers->PauseDownload(id));
    EXPECT_EQ(FS_PAUSED, saved());
    ASSERT_TRUE(transfers->ResumeDownload(id));
    EXPECT_EQ(FS_SUSPENDED, saved()); // so it resumes by itself
}

TEST_F(Manager, AWholeDownloadWhoseMoveFailedMovesAtTheNextStartOrResumeAndACancelAsksFirst)
{
    transfers->OnStatusChanged(3);
    // Three downloads end whole while a reader keeps each working file from being renamed.
    std::vector<HANDLE> readers;
    std::vector<std::vector<unsigned char>> fileIds;
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(transfers->AcceptLink(Offer("whole", 1)));
        CDownloadFile* record = static_cast<CDownloadFile*>(service.held.back());
        Announce(record, 3);
        std::uint64_t start = 0, end = 0;
        ASSERT_EQ(ST_SUCCESS, record->GetNextRange(&start, &end));
        record->OnBlock(0, 0, 3, reinterpret_cast<const std::uint8_t*>("abc"));
        readers.push_back(CreateFileA(record->m_workingPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
        EXPECT_EQ(ST_NO_MORE_DATA, record->OnRangeEnd());
        fileIds.emplace_back(record->m_fileId, record->m_fileId + 16);
    }
    service.ReleaseHeld();
    auto idOf = [&](int i) {
        sti::CScopedLock guard(transfers->Registry().GetLock());
        CTransferingFile* record = transfers->Registry().FindByFileId(fileIds[i].data());
        return record ? record->m_id : 0u;
    };

    CloseHandle(readers[0]);
    Restart();
    EXPECT_EQ(FS_COMPLETED, Status(idOf(0)));
    EXPECT_EQ("abc", ReadFileBytes(folder / "one.bin"));
    EXPECT_EQ(1, service.Reports("DC"));
    CloseHandle(readers[1]);
    EXPECT_TRUE(transfers->ResumeDownload(idOf(1)));
    EXPECT_EQ(FS_COMPLETED, Status(idOf(1)));

    // Cancelled with the answer No: the record goes, the data stays in its working file.
    CloseHandle(readers[2]);
    CString working;
    {
        sti::CScopedLock guard(transfers->Registry().GetLock());
        working = transfers->Registry().FindDownload(idOf(2))->m_workingPath;
    }
    EXPECT_TRUE(transfers->CancelDownload(idOf(2)));
    ASSERT_EQ(1u, boxes.size());
    EXPECT_NE(std::string::npos, boxes[0].find(working.str())) << boxes[0];
    EXPECT_EQ(0u, idOf(2));
    EXPECT_EQ("abc", ReadFileBytes(working));
}

TEST_F(Manager, ACancelWhileTheTransportThreadIsHeldBackLeavesTheRecordToItsMessage)
{
    CSilentOutlet outlet;
    std::unique_ptr<CTransportManagerQueue> pipe;
    CGateDownload gate;
    {
        CTransportManagerThread thread;
        ASSERT_EQ(ST_SUCCESS, thread.Launch(pipe, &outlet));
        const std::uint8_t gateFile[16] = {0x77}, peer[16] = {0x78};
        gate.AddRef(); // the message's
        ASSERT_EQ(ST_SUCCESS, PostTMStartDownload(pipe.get(), gateFile, peer, &gate));
        ASSERT_TRUE(gate.WaitHeld());
        service.pipe = pipe.get();

        transfers->OnStatusChanged(3);
        ASSERT_TRUE(transfers->AcceptLink(Offer("held", 1)));
        const std::uint32_t id = Ids().at(0);
        EXPECT_TRUE(transfers->CancelDownload(id));
        EXPECT_EQ(-100, Status(id));
        // Gone from the registry; only the start message in the pipe still holds it.
        EXPECT_EQ(1, LiveRecords());

        gate.Open();
        // The session takes the record, the cancel behind it closes the session, and the last
        // release deletes it.
        for (int i = 0; i < 500 && LiveRecords() != 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_EQ(0, LiveRecords());
        service.pipe = nullptr;
    }
    EXPECT_EQ(0, gate.Count());
}

TEST_F(Manager, RemovingTheFirstUploadOfALinkRemovesTheWholeLinkAlsoAfterARestart)
{
    transfers->OnStatusChanged(3);
    ASSERT_TRUE(transfers->SendOffer(Offer("three", 3)));
    std::vector<std::uint32_t> ids = Ids();
    ASSERT_EQ(3u, ids.size());
    EXPECT_FALSE(transfers->PauseUpload(ids.front())); // awaiting approval
    EXPECT_TRUE(transfers->RemoveUpload(ids.front())); // the first file's record was made first
    EXPECT_TRUE(Ids().empty());
    EXPECT_EQ(3, service.Reports("UR"));
    EXPECT_EQ(3, service.Count("upload", 3));

    // The list keeps which files the first one's link holds.
    ASSERT_TRUE(transfers->SendOffer(Offer("again", 3)));
    Restart();
    ids = Ids();
    ASSERT_EQ(3u, ids.size());
    EXPECT_TRUE(transfers->RemoveUpload(ids.front()));
    EXPECT_TRUE(Ids().empty());
    EXPECT_EQ(6, service.Reports("UR"));
    settings->SetUnlimitedUploads(0);
    settings->SetMaxUploads(0);
    EXPECT_EQ(nullptr, transfers->GetUploadCallback(1));
}

TEST_F(Manager, SendingAndResendingOnTwoThreadsLeavesEachLinkSentOrSleepingOnce)
{
    const int count = 1000;
    // Round i of the resender waits for the i-th link, so the two threads really overlap.
    std::atomic<int> offered{0};
    std::thread resender([&] {
        std::mt19937 random(5);
        for (int i = 0; i < count; ++i) {
            while (offered < i)
                std::this_thread::yield();
            service.acceptMail = (random() % 3) != 0;
            transfers->ResendSleeping();
        }
    });
    for (int i = 0; i < count; ++i) {
        transfers->SendLink(Offer(std::to_string(i).c_str(), 1));
        ++offered;
    }
    resender.join();
    service.acceptMail = true;
    std::set<std::string> sent(service.mails.begin(), service.mails.end());
    EXPECT_EQ(service.mails.size(), sent.size()) << "a link was mailed twice";
    EXPECT_EQ(static_cast<std::size_t>(count), service.mails.size() + transfers->SleepingLinkCount());
    // The last save, whichever thread made it, is a whole document of what still sleeps.
    std::vector<CFileLink> sleeping;
    std::vector<CTAFEmail> mails;
    ASSERT_TRUE(LoadSleepingXml(transfers->SleepingPath(), sleeping, mails));
    EXPECT_EQ(transfers->SleepingLinkCount(), sleeping.size());
    std::set<std::string> subjects;
    for (const CFileLink& link : sleeping)
        subjects.insert(link.m_subject.str());
    EXPECT_EQ(sleeping.size(), subjects.size()) << "a link sleeps twice";
}

TEST_F(Manager, AfterARestartTheListComesBackSuspendedAndTrustsOnlyTheWorkingFile)
{
    transfers->OnStatusChanged(3);
    ASSERT_TRUE(transfers->SendOffer(Offer("kept", 1)));
    ASSERT_TRUE(transfers->AcceptLink(Offer("fetched", 1)));
    CDownloadFile* record = static_cast<CDownloadFile*>(service.held.at(0));
    Announce(record, 5000);
    std::uint64_t start = 0, end = 0;
    ASSERT_EQ(ST_SUCCESS, record->GetNextRange(&start, &end));
    const std::string bytes(3000, 'z');
    record->OnBlock(0, 0, 3000, reinterpret_cast<const std::uint8_t*>(bytes.data()));
    const CString working = record->m_workingPath;
    service.ReleaseHeld(); // the engine lets go; the record stays "Receiving" as after a kill
    transfers.reset();
    ASSERT_TRUE(Exists(folder / "DUList.xml"));
    WriteFileBytes(working, std::string(1000, 'z')); // less reached the disk than was saved

    Restart();
    std::vector<std::uint32_t> ids = Ids();
    ASSERT_EQ(2u, ids.size());
    for (std::uint32_t id : ids)
        EXPECT_EQ(FS_SUSPENDED, Status(id));
    CTransferingFile copy;
    ASSERT_TRUE(transfers->Registry().GetCopy(ids[0], copy));
    EXPECT_EQ(1000, copy.m_transferred);
    EXPECT_EQ(CString("one.bin"), copy.m_shortName);
    // Online again: the download resumes by itself from there.
    transfers->OnStatusChanged(3);
    EXPECT_EQ(FS_CONNECTING, Status(ids[0]));
    EXPECT_EQ(FS_AWAITING_APPROVAL, Status(ids[1]));
}

TEST_F(Manager, ListsHeldAtTheStartAreReadAndMergedByTheFirstSaveAfterTheyAreFree)
{
    // A first run leaves an upload whose link sleeps, a download and its sender's address.
    service.acceptMail = false;
    ASSERT_FALSE(transfers->SendOffer(Offer("before", 1)));
    ASSERT_TRUE(transfers->AcceptLink(Offer("fetched", 1)));
    transfers.reset();
    const char* names[] = {"DUList.xml", "SleepingLinks.xml", "AddressBook.xml"};
    std::vector<HANDLE> holders;
    for (const char* name : names)
        holders.push_back(CreateFileA(folder / name, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));

    // Held by another program while the next run starts: nothing read, nothing saved over them.
    settings->GetAddressBook().Load(folder / "AddressBook.xml");
    Restart();
    EXPECT_EQ(0u, transfers->Registry().Size());
    CFileLink other = Offer("other", 1);
    other.m_senderEmail = "carol@test";
    ASSERT_TRUE(transfers->AcceptLink(other));
    ASSERT_FALSE(transfers->SendOffer(Offer("during", 1)));
    EXPECT_FALSE(transfers->Registry().SaveList());
    for (HANDLE holder : holders)
        CloseHandle(holder);

    // Free again: the next save of each reads it first, and both runs' entries are kept.
    EXPECT_TRUE(transfers->Registry().SaveList());
    EXPECT_TRUE(transfers->SaveSleeping());
    EXPECT_TRUE(settings->GetAddressBook().Save());
    EXPECT_EQ(4u, transfers->Registry().Size());
    EXPECT_EQ(2u, transfers->SleepingLinkCount());
    bool known = false;
    settings->GetAddressBook().Find("alice@test", known);
    EXPECT_TRUE(known);
}

TEST_F(Manager, BeforeItsStartAndAfterItsEndTheServiceTakesNoReportAndNoMail)
{
    HandReportToService("UL{\t}{x}");
    EXPECT_TRUE(HandMailRequestToService("mail"));
    EXPECT_EQ(1u, service.reports.size());
    transfers.reset();
    HandReportToService("UL{\t}{y}");
    EXPECT_FALSE(HandMailRequestToService("mail"));
    CTransferManager::SConfig config;
    config.settings = settings.get();
    config.service = &service;
    config.folder = folder.Path() + "\\";
    transfers = std::make_unique<CTransferManager>(config);
    HandReportToService("UL{\t}{z}");
    EXPECT_FALSE(HandMailRequestToService("mail"));
    EXPECT_EQ(1u, service.reports.size());
    EXPECT_EQ(1u, service.mails.size());
}

TEST_F(Manager, TheUploadLimitHoldsForABurstOfRequests)
{
    settings->SetUnlimitedUploads(0);
    settings->SetMaxUploads(2);
    IUploadCallback* first = transfers->GetUploadCallback(1);
    IUploadCallback* second = transfers->GetUploadCallback(2);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(nullptr, transfers->GetUploadCallback(3)) << "sessions being opened count";
    // One the engine lets go frees its place.
    first->Release();
    IUploadCallback* third = transfers->GetUploadCallback(4);
    ASSERT_NE(nullptr, third);
    second->Release();
    third->Release();
}

TEST_F(Manager, AnUploadServesOneSessionAtATimeKeepsItsPauseAndIsCompletedOnlyByItsDownloader)
{
    const std::uint64_t size = 4 * 65536 - 1000; // the last block is short
    WriteFileBytes(folder / "up.bin", std::string(size, 'u'));
    const CFileLink link = LinkOf({Entry(0, "up.bin", size, folder.Path())});
    const unsigned char* file = link.m_entries[0].m_fileId;
    transfers->OnStatusChanged(3);
    ASSERT_TRUE(transfers->SendOffer(link));
    const std::uint32_t id = Ids().at(0);
    CEngine engine(service);
    // A downloader's request over a connection of its own; the test answers as that downloader.
    auto request = [&](std::uint32_t session) {
        std::unique_ptr<CMessagePeer> peer = engine.Upload(transfers->GetUploadCallback(session));
        Send(*peer, [&](DataMessageBlock& b) { return WriteFileRequest(b, file); });
        return peer;
    };
    auto range = [&](CMessagePeer& peer, std::uint64_t from, std::uint64_t to) {
        Send(peer, [&](DataMessageBlock& b) { return WriteRangeRequest(b, from, to); });
        return Next(peer);
    };
    std::unique_ptr<CMessagePeer> first = request(1);
    EXPECT_EQ("info", Next(*first));
    // A second request before the first session has read a byte waits for it.
    EXPECT_EQ("close 4", Next(*request(2)));
    EXPECT_EQ(1, transfers->Registry().GetActiveUploads());

    // Paused between two ranges, the engine hearing of it only after it has read the next one:
    // the downloader's next request waits for the user's resume.
    EXPECT_EQ("end", range(*first, 0, 65536));
    service.holdUploadCommands = true;
    ASSERT_TRUE(transfers->PauseUpload(id));
    EXPECT_EQ("end", range(*first, 65536, size));
    ASSERT_EQ(ST_SUCCESS, PostTMCloseUpload(engine.queue.get(), file, CTransferManager::COMMAND_PAUSE));
    EXPECT_EQ("close 4", Next(*first));
    EXPECT_TRUE(tm_test::WaitFor([&] { return transfers->Registry().GetActiveUploads() == 0; }));
    EXPECT_EQ(FS_PAUSED, Status(id));
    EXPECT_EQ("close 4", Next(*request(3)));
    EXPECT_TRUE(transfers->ResumeUpload(id));

    // Every byte read and sent, but the connection drops before the downloader's word: the
    // upload is asked for again, and the next session's word completes it.
    std::unique_ptr<CMessagePeer> resumed = request(4);
    EXPECT_EQ("info", Next(*resumed));
    EXPECT_EQ("end", range(*resumed, 0, size));
    resumed->Close();
    EXPECT_TRUE(tm_test::WaitFor([&] { return Status(id) == FS_PENDING; })) << Status(id);
    std::unique_ptr<CMessagePeer> last = request(5);
    EXPECT_EQ("info", Next(*last));
    Send(*last, [](DataMessageBlock& b) { return WriteClose(b, CLOSE_REASON_COMPLETED); });
    EXPECT_TRUE(tm_test::WaitFor([&] { return Status(id) == FS_COMPLETED; })) << Status(id);
}

TEST_F(Manager, AnInterruptedDownloadShowsConnectingAPauseThereHoldsAndAResumeRestartsItAtOnce)
{
    const std::string data(3000, 'd');
    const CFileLink link = LinkOf({Entry(0, "d.bin", 3000)});
    const unsigned char* file = link.m_entries[0].m_fileId;
    const TransferFileList answer = {coretest::Announce(link.m_entries[0])};
    std::promise<void> located, paused;
    std::shared_future<void> pausedSeen = paused.get_future().share();
    transfers->OnStatusChanged(3);
    CEngine engine(service);
    // The server's second answer says the uploader is unreachable, and the engine waits there
    // until the test has paused the download.
    engine.outlet.onCommand = [&](const tm_test::SCommand& command) {
        if (command.command == 29 && engine.outlet.Count(29) == 2) {
            EXPECT_EQ(ST_SUCCESS, PostTMAnswer(engine.queue.get(), file, file, 0));
            located.set_value();
            pausedSeen.wait_for(std::chrono::seconds(10));
        }
    };
    ASSERT_TRUE(transfers->AcceptLink(link));
    const std::uint32_t id = Ids().at(0);
    // The test answers as the uploader, sending bytes [from, to) of the file.
    auto serve = [&](std::size_t from, std::size_t to) {
        std::unique_ptr<CMessagePeer> uploader = engine.Download(file);
        EXPECT_EQ("request", Next(*uploader));
        Send(*uploader, [&](DataMessageBlock& b) { return WriteFileInfo(b, file, answer); });
        EXPECT_EQ("range", Next(*uploader));
        uploader->Send(*transfer_test::BuildBlock(from, transfer_test::Bytes(&data[from], &data[to]), false));
        return uploader;
    };
    CTransferingFile copy;
    auto session = [&](int status) {
        return tm_test::WaitFor(
            [&] { return transfers->Registry().GetCopy(id, copy) && copy.m_sessionStatus == status; });
    };
    // The uploader pauses its side and drops the connection: the engine keeps the session and
    // looks for the uploader again, so there is nothing to resume.
    std::unique_ptr<CMessagePeer> uploader = serve(0, 1000);
    Send(*uploader, [](DataMessageBlock& b) { return WriteClose(b, CLOSE_REASON_PAUSED); });
    uploader->Close();
    EXPECT_TRUE(session(2));
    ASSERT_EQ(FS_CONNECTING, Status(id));
    EXPECT_FALSE(transfers->ResumeSuspendedDownload(id));

    // Paused while it looks, with the server's answer ahead of the pause's close.
    ASSERT_EQ(std::future_status::ready, located.get_future().wait_for(std::chrono::seconds(10)));
    EXPECT_TRUE(transfers->PauseDownload(id));
    paused.set_value();
    EXPECT_TRUE(session(0));
    ASSERT_EQ(FS_PAUSED, Status(id));

    // Resumed, it starts again at once and ends byte-exact.
    EXPECT_TRUE(transfers->ResumeDownload(id));
    uploader = serve(1000, 3000);
    Send(*uploader, [](DataMessageBlock& b) { return WriteRangeEnd(b, 0); });
    EXPECT_EQ("close 2", Next(*uploader));
    EXPECT_TRUE(tm_test::WaitFor([&] { return Status(id) == FS_COMPLETED; })) << Status(id);
    EXPECT_EQ(data, ReadFileBytes(folder / "d.bin"));
}
