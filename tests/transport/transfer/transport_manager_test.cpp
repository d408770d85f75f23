#include <gtest/gtest.h>

#include "infra/Dispatcher.h"
#include "support/TransportManagerTestSupport.h"
#include "transport/transfer/CloseReason.h"
#include "transport/transfer/DataMessages.h"
#include "transport/transfer/TransportManagerControlHandler.h"
#include "transport/transfer/TransportManagerThread.h"

#include <cstring>
#include <memory>

namespace {

using namespace tm_test;
using transfer_test::CMessagePeer;
using transfer_test::FILE_ID;
using transfer_test::Hex;
using transfer_test::PEER_ID;
using transfer_test::SReceivedMessage;

const std::uint8_t OTHER_FILE[TRANSFER_ID_SIZE] = {0xE0, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 0xEF};

constexpr std::uint32_t TICKET = 77;

// Proportions of the real timings: the whole retry phase is shorter than LocateMs.
STransportTimings ShortTimings()
{
    STransportTimings timings;
    timings.LocateMs = 1000;
    timings.FirstLocateMs = 20;
    timings.FirstConnectRetryMs = 150;
    timings.ConnectRetryMs = 40;
    timings.ConnectTries = 10;
    return timings;
}

long long Ms(Clock::duration span)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(span).count();
}

// The clocks of the timers and of the test round differently by up to a millisecond.
constexpr long long SLACK_MS = 2;

STransportManagerInternalMsg Start(const std::uint8_t* fileId, IDownloadCallback* callback)
{
    STransportManagerInternalMsg message = STransportManagerInternalMsg::Make(TM_MSG_START_DOWNLOAD);
    std::memcpy(message.StartFileId, fileId, TRANSFER_ID_SIZE);
    std::memcpy(message.StartPeerId, PEER_ID, TRANSFER_ID_SIZE);
    // As a poster does: the message holds a reference, which the dispatch gives back.
    if (callback)
        callback->AddRef();
    message.StartCallback = callback;
    return message;
}

STransportManagerInternalMsg Close(std::uint32_t type, const std::uint8_t* fileId, std::uint32_t reason)
{
    STransportManagerInternalMsg message = STransportManagerInternalMsg::Make(type);
    std::memcpy(message.CloseFileId, fileId, TRANSFER_ID_SIZE);
    message.CloseReason = reason;
    return message;
}

STransportManagerInternalMsg Answer(const std::uint8_t* fileId, std::uint32_t ticket)
{
    STransportManagerInternalMsg message = STransportManagerInternalMsg::Make(TM_MSG_SESSION_ANSWER);
    std::memcpy(message.AnswerFileId, fileId, TRANSFER_ID_SIZE);
    message.AnswerTicket = ticket;
    return message;
}

STransportManagerInternalMsg Incoming(std::uint32_t handle, std::uint32_t ticket, std::uint32_t keyLow = 0x1111,
                                      std::uint32_t keyHigh = 0x2222)
{
    STransportManagerInternalMsg message = STransportManagerInternalMsg::Make(TM_MSG_INCOMING_DOWNLOAD);
    message.IncomingSession = handle;
    message.IncomingTicket = ticket;
    message.IncomingKeyLow = keyLow;
    message.IncomingKeyHigh = keyHigh;
    return message;
}

STransportManagerInternalMsg NewUpload(IUploadCallback* callback, std::uint32_t keyLow = 0x3333,
                                       std::uint32_t keyHigh = 0x4444, std::uint32_t peer = 55)
{
    STransportManagerInternalMsg message = STransportManagerInternalMsg::Make(TM_MSG_NEW_UPLOAD);
    message.UploadPeer = peer;
    message.UploadKeyLow = keyLow;
    message.UploadKeyHigh = keyHigh;
    if (callback)
        callback->AddRef();
    message.UploadCallback = callback;
    return message;
}

STransportManagerInternalMsg Notice(std::uint32_t handle, std::uint32_t value)
{
    STransportManagerInternalMsg message = STransportManagerInternalMsg::Make(TM_MSG_SESSION_NOTICE);
    message.NoticeSession = handle;
    message.NoticeValue = value;
    return message;
}

STransportManagerInternalMsg Level(const std::uint8_t* fileId, std::uint32_t level)
{
    STransportManagerInternalMsg message = STransportManagerInternalMsg::Make(TM_MSG_UPLOAD_LEVEL);
    std::memcpy(message.LevelFileId, fileId, TRANSFER_ID_SIZE);
    message.Level = level;
    return message;
}

std::unique_ptr<DataMessageBlock> FileRequest(const std::uint8_t* fileId)
{
    return transfer_test::Build([fileId](DataMessageBlock& block) { return WriteFileRequest(block, fileId); });
}

std::uint32_t CloseReasonOf(const SReceivedMessage& message)
{
    std::uint32_t reason = 0;
    std::memcpy(&reason, message.body.data(), sizeof reason);
    return reason;
}

// A manager that is never started: the test thread dispatches its records and runs the
// test thread's dispatcher, so every answer can be looked at.
class TransportManager : public ::testing::Test {
protected:
    TransportManager() : dispatcher(sti::CDispatcher::Instance()), manager(new CTransportManagerThread(&direct.ant))
    {
        manager->SetTimings(ShortTimings());
        EXPECT_EQ(ST_SUCCESS, manager->Init(nullptr, &outlet));
    }
    ~TransportManager() override
    {
        // Before the transport goes: the sockets close through it in the next rounds.
        manager.reset();
        for (int round = 0; round < 5; ++round) {
            EXPECT_EQ(ST_SUCCESS, dispatcher->Run(1));
        }
    }

    Status Post(const STransportManagerInternalMsg& message) { return manager->Dispatch(message); }

    bool RunUntil(const std::function<bool()>& condition, int milliseconds = 20000)
    {
        const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
        while (!condition()) {
            if (Clock::now() > deadline) {
                return false;
            }
            EXPECT_EQ(ST_SUCCESS, dispatcher->Run(2));
        }
        return true;
    }

    CTransportSession* Download(const std::uint8_t* fileId = FILE_ID)
    {
        return manager->GetDownloads()->FindByFileId(fileId);
    }

    // A download that has its ticket: status INITIATING. Its handle comes back.
    std::uint32_t StartWithTicket(CSharedDownload& record, const std::uint8_t* fileId = FILE_ID)
    {
        EXPECT_EQ(ST_SUCCESS, Post(Start(fileId, &record)));
        const int before = outlet.Count(4);
        EXPECT_EQ(ST_SUCCESS, Post(Answer(fileId, TICKET)));
        EXPECT_EQ(before + 1, outlet.Count(4));
        return outlet.Commands(4).back().handle;
    }

    // An upload connected to the listener; the peer's end comes back.
    std::unique_ptr<CMessagePeer> ConnectUpload(CSharedUpload& record, std::uint32_t keyLow = 0x3333)
    {
        EXPECT_EQ(ST_SUCCESS, Post(NewUpload(&record, keyLow)));
        const STI_OS::SocketHandle accepted = direct.sessions.Accept();
        EXPECT_NE(STI_OS::INVALID_SOCKET_HANDLE, accepted);
        EXPECT_TRUE(RunUntil([&] { return record.LastStatus() == SESSION_STATUS_RUNNING; }));
        return std::unique_ptr<CMessagePeer>(new CMessagePeer(accepted));
    }

    bool NextMessage(CMessagePeer& peer, SReceivedMessage& message)
    {
        if (!RunUntil([&] {
                peer.Poll();
                return peer.HasMessage();
            })) {
            return false;
        }
        message = peer.Pop();
        return true;
    }

    sti::CDispatcher* dispatcher;
    CDirectAnt direct;
    CRecordingOutlet outlet;
    // Records outlive the manager, which releases them.
    CSharedDownload download;
    CSharedDownload second;
    CSharedUpload upload{transfer_test::TextBytes(1000)};
    CSharedUpload secondUpload;
    std::unique_ptr<CTransportManagerThread> manager;
};

// --- dispatch ----------------------------------------------------------------------------

TEST_F(TransportManager, RecordsForUnknownSessionsChangeNothing)
{
    EXPECT_EQ(ST_NOT_FOUND, Post(Close(TM_MSG_CLOSE_DOWNLOAD, FILE_ID, CLOSE_REASON_CANCELED)));
    EXPECT_EQ(ST_NOT_FOUND, Post(Close(TM_MSG_CLOSE_UPLOAD, FILE_ID, CLOSE_REASON_CANCELED)));
    EXPECT_EQ(ST_NOT_FOUND, Post(Answer(FILE_ID, TICKET)));
    EXPECT_EQ(ST_NOT_FOUND, Post(Incoming(3, TICKET)));
    EXPECT_EQ(ST_NOT_FOUND, Post(Incoming(0xFFFFFFFFu, TICKET)));
    EXPECT_EQ(ST_NOT_FOUND, Post(Notice(3, 1)));
    EXPECT_EQ(ST_NOT_FOUND, Post(Level(FILE_ID, 1)));
    // Type 6 and types nobody knows are skipped.
    EXPECT_EQ(ST_SUCCESS, Post(STransportManagerInternalMsg::Make(TM_MSG_NONE)));
    EXPECT_EQ(ST_SUCCESS, Post(STransportManagerInternalMsg::Make(9)));
    EXPECT_EQ(ST_SUCCESS, Post(STransportManagerInternalMsg::Make(0xFFFFFFFFu)));
    EXPECT_EQ(0u, manager->GetDownloads()->GetCount());
    EXPECT_EQ(0u, manager->GetUploads()->GetCount());
    EXPECT_TRUE(outlet.Commands().empty());
}

TEST_F(TransportManager, StartWithoutACallbackIsRefused)
{
    EXPECT_EQ(ST_INVALID_PARAM, Post(Start(FILE_ID, nullptr)));
    EXPECT_EQ(ST_INVALID_PARAM, Post(NewUpload(nullptr)));
    EXPECT_EQ(0u, manager->GetDownloads()->GetCount());
    EXPECT_EQ(0u, manager->GetUploads()->GetCount());
}

TEST(TransportManagerDispatch, WithoutManagersOnlyClosesAreAnswered)
{
    CTransportManagerThread manager;
    CSharedDownload record;
    EXPECT_EQ(ST_CONNECTION_CLOSED, manager.Dispatch(Close(TM_MSG_CLOSE_DOWNLOAD, FILE_ID, 3)));
    EXPECT_EQ(ST_CONNECTION_CLOSED, manager.Dispatch(Close(TM_MSG_CLOSE_UPLOAD, FILE_ID, 3)));
    EXPECT_EQ(ST_SUCCESS, manager.Dispatch(Start(FILE_ID, &record)));
    EXPECT_EQ(ST_SUCCESS, manager.Dispatch(Level(FILE_ID, 1)));
    // Not held: the message's reference is given back at once.
    EXPECT_EQ((std::vector<std::string>{"addref", "release"}), record.Log());
}

TEST_F(TransportManager, ControlHandlerTakesOnlyWholeRecords)
{
    CTransportManagerControlHandler handler(*manager);
    const STransportManagerInternalMsg record = Start(FILE_ID, &download);
    const std::uint32_t size = sizeof record;
    EXPECT_EQ(ST_TIMEOUT, handler.OnRecord(&record, size - 1));
    EXPECT_EQ(ST_TIMEOUT, handler.OnRecord(&record, size + 1));
    EXPECT_EQ(ST_TIMEOUT, handler.OnRecord(&record, 0));
    EXPECT_EQ(0u, manager->GetDownloads()->GetCount());
    EXPECT_EQ(ST_SUCCESS, handler.OnRecord(&record, size));
    EXPECT_EQ(1u, manager->GetDownloads()->GetCount());
    download.AddRef(); // the same record posted a second time carries a second reference
    EXPECT_EQ(ST_ALREADY_EXISTS, handler.OnQueueMessage(record));
}

// --- download sessions -----------------------------------------------------------------

TEST_F(TransportManager, DownloadLocatesThenAsksTheUploaderThenLocatesAgain)
{
    const STransportTimings timings = ShortTimings();
    const Clock::time_point created = Clock::now();
    ASSERT_EQ(ST_SUCCESS, Post(Start(FILE_ID, &download)));
    EXPECT_EQ(SESSION_STATUS_CONNECTING, download.LastStatus());
    EXPECT_EQ(1, download.With([](CSharedDownload& r) { return int(r.refs); }));

    ASSERT_TRUE(RunUntil([&] { return outlet.Count(29) == 1; }));
    const SCommand locate = outlet.Commands(29)[0];
    EXPECT_GE(Ms(locate.at - created), timings.FirstLocateMs - SLACK_MS);
    EXPECT_EQ(Hex(FILE_ID, TRANSFER_ID_SIZE), locate.fileId);
    EXPECT_EQ(Hex(PEER_ID, TRANSFER_ID_SIZE), locate.peerId);

    // A ticket: the first connect request goes out at once.
    ASSERT_EQ(ST_SUCCESS, Post(Answer(FILE_ID, TICKET)));
    EXPECT_EQ(SESSION_STATUS_INITIATING, download.LastStatus());
    ASSERT_EQ(1, outlet.Count(4));
    const std::uint32_t handle = outlet.Commands(4)[0].handle;
    EXPECT_EQ(handle, std::uint32_t(Download()->GetHandle()));

    ASSERT_TRUE(RunUntil([&] { return download.LastStatus() == SESSION_STATUS_CONNECTING; }));
    const std::vector<SCommand> connects = outlet.Commands(4);
    ASSERT_EQ(10u, connects.size());
    EXPECT_GE(Ms(connects[1].at - connects[0].at), timings.FirstConnectRetryMs - SLACK_MS);
    for (std::size_t i = 0; i < connects.size(); ++i) {
        EXPECT_EQ(TICKET, connects[i].ticket);
        EXPECT_EQ(handle, connects[i].handle);
        if (i >= 2) {
            EXPECT_GE(Ms(connects[i].at - connects[i - 1].at), timings.ConnectRetryMs - SLACK_MS) << i;
        }
    }
    EXPECT_EQ(1, outlet.Count(29)); // none while waiting for the uploader

    // Locating again, but never sooner than LocateMs after the previous request.
    ASSERT_TRUE(RunUntil([&] { return outlet.Count(29) == 2; }));
    EXPECT_GE(Ms(outlet.Commands(29)[1].at - locate.at), timings.LocateMs - SLACK_MS);
    EXPECT_EQ(10, outlet.Count(4));
    EXPECT_EQ((std::vector<int>{2, 3, 2}), download.With([](CSharedDownload& r) { return r.statuses; }));
}

TEST_F(TransportManager, RefusedAnswerReportsThePeerUnreachableAndKeepsLocating)
{
    ASSERT_EQ(ST_SUCCESS, Post(Start(FILE_ID, &download)));
    ASSERT_TRUE(RunUntil([&] { return outlet.Count(29) == 1; }));
    EXPECT_EQ(ST_SUCCESS, Post(Answer(FILE_ID, 0)));
    EXPECT_EQ(1, download.With([](CSharedDownload& r) { return r.Count("notice 1"); }));
    EXPECT_EQ(SESSION_STATUS_CONNECTING, download.LastStatus());
    EXPECT_EQ(0, outlet.Count(4));
    ASSERT_TRUE(RunUntil([&] { return outlet.Count(29) == 2; }));
    EXPECT_EQ(0, outlet.Count(4));
}

TEST_F(TransportManager, IncomingConnectionWithAWrongTicketIsIgnored)
{
    const std::uint32_t handle = StartWithTicket(download);
    EXPECT_EQ(ST_NOT_FOUND, Post(Incoming(handle, TICKET + 1)));
    EXPECT_EQ(ST_NOT_FOUND, Post(Incoming(handle + 1, TICKET)));
    EXPECT_EQ(ST_NOT_FOUND, Post(Incoming(handle, 0)));
    EXPECT_EQ(SESSION_STATUS_INITIATING, download.LastStatus());
    EXPECT_TRUE(direct.sessions.Connects().empty());             // no Ant socket was made
    ASSERT_TRUE(RunUntil([&] { return outlet.Count(4) == 3; })); // still asking
}

TEST_F(TransportManager, SessionNoticeReachesTheDownloadOfTheHandle)
{
    const std::uint32_t handle = StartWithTicket(download);
    ASSERT_EQ(ST_SUCCESS, Post(Start(OTHER_FILE, &second)));
    EXPECT_EQ(ST_SUCCESS, Post(Notice(handle, 6)));
    EXPECT_EQ(1, download.With([](CSharedDownload& r) { return r.Count("notice 6"); }));
    EXPECT_EQ(0, second.With([](CSharedDownload& r) { return r.Count("notice"); }));
}

TEST_F(TransportManager, CloseByFileIdEndsTheDownloadAndItsTimer)
{
    ASSERT_EQ(ST_SUCCESS, Post(Start(FILE_ID, &download)));
    ASSERT_EQ(ST_SUCCESS, Post(Start(OTHER_FILE, &second)));
    const int timers = dispatcher->GetTimerQueue().GetCount();
    EXPECT_EQ(ST_SUCCESS, Post(Close(TM_MSG_CLOSE_DOWNLOAD, FILE_ID, CLOSE_REASON_CANCELED)));
    EXPECT_EQ(
        (std::vector<std::string>{"addref", "addref", "status 2", "release", "status 0", "closed 0 3", "release"}),
        download.Log());
    EXPECT_EQ(nullptr, Download());
    EXPECT_EQ(ST_NOT_FOUND, Post(Close(TM_MSG_CLOSE_DOWNLOAD, FILE_ID, CLOSE_REASON_CANCELED)));
    // The other download goes on alone.
    ASSERT_TRUE(RunUntil([&] { return outlet.Count(29) == 1; }));
    EXPECT_EQ(Hex(OTHER_FILE, TRANSFER_ID_SIZE), outlet.Commands(29)[0].fileId);
    EXPECT_GE(timers, dispatcher->GetTimerQueue().GetCount() + 1);
}

TEST_F(TransportManager, SecondStartForADownloadingFileIsRefusedAndReleased)
{
    ASSERT_EQ(ST_SUCCESS, Post(Start(FILE_ID, &download)));
    EXPECT_EQ(ST_ALREADY_EXISTS, Post(Start(FILE_ID, &second)));
    EXPECT_EQ((std::vector<std::string>{"addref", "addref", "release", "release"}), second.Log());
    EXPECT_EQ(1u, manager->GetDownloads()->GetCount());
    ASSERT_TRUE(RunUntil([&] { return outlet.Count(29) == 1; }));
    EXPECT_EQ(ST_SUCCESS, dispatcher->Run(50));
    EXPECT_EQ(1, outlet.Count(29)); // one session asks, not two
    EXPECT_EQ((std::vector<std::string>{"addref", "addref", "release", "release"}), second.Log());
}

TEST_F(TransportManager, IncomingConnectionRunsTheDownloadOverAnAntSocket)
{
    const std::uint32_t handle = StartWithTicket(download);
    ASSERT_EQ(ST_SUCCESS, Post(Incoming(handle, TICKET, 0xAB, 0xCD)));
    EXPECT_EQ(SESSION_STATUS_CONNECTED, download.LastStatus());
    EXPECT_EQ(-1, Download()->GetHandle());
    EXPECT_EQ(ST_NOT_FOUND, Post(Incoming(handle, TICKET))); // the handle is spent
    EXPECT_EQ(ST_NOT_FOUND, Post(Answer(FILE_ID, TICKET)));  // a late answer is stale

    const STI_OS::SocketHandle accepted = direct.sessions.Accept();
    ASSERT_NE(STI_OS::INVALID_SOCKET_HANDLE, accepted);
    CMessagePeer peer(accepted);
    ASSERT_EQ(1u, direct.sessions.Connects().size());
    const SAntConnect connect = direct.sessions.Connects()[0];
    EXPECT_EQ(TICKET, connect.peerId); // the uploader, reached by the ticket
    EXPECT_EQ(0xABu, connect.keyLow);
    EXPECT_EQ(0xCDu, connect.keyHigh);

    SReceivedMessage message;
    ASSERT_TRUE(NextMessage(peer, message));
    EXPECT_EQ(DATA_MSG_FILE_REQUEST, message.type);
    EXPECT_EQ(SESSION_STATUS_RUNNING, download.LastStatus());

    const int requests = outlet.Count(4) + outlet.Count(29);
    EXPECT_EQ(ST_SUCCESS, dispatcher->Run(200));
    EXPECT_EQ(requests, outlet.Count(4) + outlet.Count(29)); // no timer any more

    EXPECT_EQ(ST_SUCCESS, Post(Close(TM_MSG_CLOSE_DOWNLOAD, FILE_ID, CLOSE_REASON_CANCELED)));
    ASSERT_TRUE(NextMessage(peer, message));
    EXPECT_EQ(DATA_MSG_CLOSE, message.type);
    EXPECT_EQ(CLOSE_REASON_CANCELED, CloseReasonOf(message));
    EXPECT_EQ(1, download.With([](CSharedDownload& r) { return r.Count("closed 0 3"); }));
    EXPECT_TRUE(download.With([](CSharedDownload& r) { return r.released; }));
    EXPECT_TRUE(RunUntil([&] {
        peer.Poll();
        return peer.closed;
    }));
}

TEST_F(TransportManager, DroppedConnectionStartsTheDownloadAgain)
{
    const std::uint32_t handle = StartWithTicket(download);
    ASSERT_EQ(ST_SUCCESS, Post(Incoming(handle, TICKET)));
    const STI_OS::SocketHandle accepted = direct.sessions.Accept();
    ASSERT_NE(STI_OS::INVALID_SOCKET_HANDLE, accepted);
    {
        CMessagePeer peer(accepted);
        ASSERT_TRUE(RunUntil([&] { return download.LastStatus() == SESSION_STATUS_RUNNING; }));
    }
    ASSERT_TRUE(RunUntil([&] { return download.LastStatus() == SESSION_STATUS_CONNECTING; }));
    EXPECT_EQ(nullptr, Download()->GetHandler());
    EXPECT_GE(Download()->GetHandle(), 0);
    const int locates = outlet.Count(29);
    ASSERT_TRUE(RunUntil([&] { return outlet.Count(29) == locates + 1; }));
    EXPECT_EQ(0, download.With([](CSharedDownload& r) { return r.closedCount; }));
}

TEST_F(TransportManager, DownloadWaitsUntilTheAntThreadConnectsItsSocket)
{
    direct.sessions.SetHolding(true);
    const std::uint32_t handle = StartWithTicket(download);
    ASSERT_EQ(ST_SUCCESS, Post(Incoming(handle, TICKET)));
    // However long the Ant session takes to stand, the waiting socket is no failure.
    EXPECT_EQ(ST_SUCCESS, dispatcher->Run(100));
    ASSERT_TRUE(RunUntil([&] { return direct.sessions.Connects().size() == 1; }));
    EXPECT_EQ(ST_SUCCESS, dispatcher->Run(100));
    EXPECT_EQ(SESSION_STATUS_CONNECTED, download.LastStatus());
    EXPECT_EQ(1u, manager->GetDownloads()->Connects().GetCount());

    direct.sessions.ConnectHeld();
    const STI_OS::SocketHandle accepted = direct.sessions.Accept();
    ASSERT_NE(STI_OS::INVALID_SOCKET_HANDLE, accepted);
    CMessagePeer peer(accepted);
    SReceivedMessage message;
    ASSERT_TRUE(NextMessage(peer, message));
    EXPECT_EQ(DATA_MSG_FILE_REQUEST, message.type);
    EXPECT_EQ(SESSION_STATUS_RUNNING, download.LastStatus());
    EXPECT_EQ(0u, manager->GetDownloads()->Connects().GetCount());
}

TEST_F(TransportManager, AntConnectThatNeverComesEndsInATimeOut)
{
    direct.sessions.SetHolding(true);
    manager->GetDownloads()->Connects().SetTimeout(100);
    manager->GetUploads()->Connects().SetTimeout(100);
    const std::uint32_t handle = StartWithTicket(download);
    ASSERT_EQ(ST_SUCCESS, Post(Incoming(handle, TICKET)));
    ASSERT_EQ(ST_SUCCESS, Post(NewUpload(&upload)));

    // The download starts again; the upload ends as after a network error.
    ASSERT_TRUE(RunUntil([&] { return download.LastStatus() == SESSION_STATUS_CONNECTING; }));
    ASSERT_TRUE(RunUntil([&] { return upload.With([](CSharedUpload& r) { return r.released; }); }));
    EXPECT_EQ(1, upload.With([](CSharedUpload& r) { return r.Count("closed 0 1"); }));
    EXPECT_EQ(0u, manager->GetUploads()->GetCount());
    EXPECT_EQ(0u, manager->GetDownloads()->Connects().GetCount());
    EXPECT_EQ(0u, manager->GetUploads()->Connects().GetCount());
    EXPECT_EQ(nullptr, Download()->GetHandler());
    // A socket connected after its time-out reaches nobody.
    direct.sessions.ConnectHeld();
    EXPECT_EQ(ST_SUCCESS, dispatcher->Run(50));
    EXPECT_EQ(SESSION_STATUS_CONNECTING, download.LastStatus());
}

TEST_F(TransportManager, FailedConnectKeepsTheDownloadAskingTheUploader)
{
    // A transport without a thread: every Ant connect fails at once.
    CAnt broken(nullptr);
    manager.reset(new CTransportManagerThread(&broken));
    manager->SetTimings(ShortTimings());
    ASSERT_EQ(ST_SUCCESS, manager->Init(nullptr, &outlet));

    const std::uint32_t handle = StartWithTicket(download);
    EXPECT_EQ(ST_SOCKET_ERROR, Post(Incoming(handle, TICKET)));
    EXPECT_EQ(SESSION_STATUS_INITIATING, download.LastStatus());
    EXPECT_EQ(nullptr, Download()->GetHandler());
    EXPECT_EQ(Download(), manager->GetDownloads()->FindByHandle(int(handle)));
    const int connects = outlet.Count(4);
    ASSERT_TRUE(RunUntil([&] { return outlet.Count(4) == connects + 1; }));
    manager.reset(); // before the transport it uses
}

// --- upload sessions -------------------------------------------------------------------

TEST_F(TransportManager, NewUploadConnectsServesAndClosesByFileId)
{
    std::unique_ptr<CMessagePeer> peer = ConnectUpload(upload);
    ASSERT_EQ(1u, direct.sessions.Connects().size());
    const SAntConnect connect = direct.sessions.Connects()[0];
    EXPECT_EQ(55u, connect.peerId);
    EXPECT_EQ(0x3333u, connect.keyLow);
    EXPECT_EQ(0x4444u, connect.keyHigh);
    EXPECT_EQ((std::vector<int>{SESSION_STATUS_CONNECTED, SESSION_STATUS_RUNNING}),
              upload.With([](CSharedUpload& r) { return r.statuses; }));

    // The file request binds the session to its file.
    ASSERT_TRUE(peer->Send(*FileRequest(FILE_ID)));
    SReceivedMessage message;
    ASSERT_TRUE(NextMessage(*peer, message));
    EXPECT_EQ(DATA_MSG_FILE_INFO, message.type);
    CTransportSession* session = manager->GetUploads()->FindByFileId(FILE_ID);
    ASSERT_NE(nullptr, session);
    EXPECT_EQ(session, manager->GetUploads()->FindByKey(0x3333, 0x4444));

    // A bandwidth level reaches the socket and leaves the upload running.
    EXPECT_EQ(ST_SUCCESS, Post(Level(FILE_ID, 0)));
    EXPECT_EQ(ST_SUCCESS, Post(Level(FILE_ID, 2)));
    EXPECT_EQ(ST_SUCCESS, dispatcher->Run(20));
    EXPECT_EQ(SESSION_STATUS_RUNNING, upload.LastStatus());
    EXPECT_EQ(0, upload.With([](CSharedUpload& r) { return r.closedCount; }));
    peer->Poll();
    EXPECT_FALSE(peer->closed);
    EXPECT_FALSE(peer->HasMessage());

    EXPECT_EQ(ST_SUCCESS, Post(Close(TM_MSG_CLOSE_UPLOAD, FILE_ID, CLOSE_REASON_PAUSED)));
    ASSERT_TRUE(NextMessage(*peer, message));
    EXPECT_EQ(DATA_MSG_CLOSE, message.type);
    EXPECT_EQ(CLOSE_REASON_PAUSED, CloseReasonOf(message));
    EXPECT_EQ(1, upload.With([](CSharedUpload& r) { return r.Count("closed 0 4"); }));
    EXPECT_TRUE(upload.With([](CSharedUpload& r) { return r.released; }));
    EXPECT_EQ(0u, manager->GetUploads()->GetCount());
    EXPECT_EQ(nullptr, manager->GetUploads()->FindByFileId(FILE_ID));
}

TEST_F(TransportManager, LevelForAnUploadNotYetConnectedChangesNothing)
{
    direct.sessions.SetHolding(true);
    ASSERT_EQ(ST_SUCCESS, Post(NewUpload(&upload)));
    CTransportSession* session = manager->GetUploads()->FindByKey(0x3333, 0x4444);
    ASSERT_NE(nullptr, session);
    ASSERT_EQ(ST_SUCCESS, manager->GetUploads()->BindFile(session, FILE_ID));
    EXPECT_EQ(ST_NOT_CONNECTED, Post(Level(FILE_ID, 1)));
    EXPECT_EQ(SESSION_STATUS_CONNECTED, upload.LastStatus());
    EXPECT_EQ(0, upload.With([](CSharedUpload& r) { return r.closedCount; }));
    // Closing it while its connect waits leaves no connect behind.
    EXPECT_EQ(ST_SUCCESS, Post(Close(TM_MSG_CLOSE_UPLOAD, FILE_ID, CLOSE_REASON_CANCELED)));
    EXPECT_EQ(1, upload.With([](CSharedUpload& r) { return r.Count("closed 0 3"); }));
    EXPECT_TRUE(upload.With([](CSharedUpload& r) { return r.released; }));
    EXPECT_EQ(0u, manager->GetUploads()->GetCount());
}

TEST_F(TransportManager, SecondUploadWithTheSameKeyIsRefusedAndReleased)
{
    direct.sessions.SetHolding(true);
    ASSERT_EQ(ST_SUCCESS, Post(NewUpload(&upload)));
    EXPECT_EQ(ST_ALREADY_EXISTS, Post(NewUpload(&secondUpload)));
    EXPECT_EQ((std::vector<std::string>{"addref", "addref", "release", "release"}), secondUpload.Log());
    EXPECT_EQ(1u, manager->GetUploads()->GetCount());
    EXPECT_EQ(ST_SUCCESS, dispatcher->Run(20));
    EXPECT_EQ(1u, direct.sessions.Connects().size());
    EXPECT_EQ((std::vector<std::string>{"addref", "addref", "release", "release"}), secondUpload.Log());
    EXPECT_EQ((std::vector<std::string>{"addref", "addref", "status 4", "release"}), upload.Log());
}

TEST_F(TransportManager, FailedUploadConnectLeavesNothingBehind)
{
    CAnt broken(nullptr);
    manager.reset(new CTransportManagerThread(&broken));
    ASSERT_EQ(ST_SUCCESS, manager->Init(nullptr, &outlet));
    EXPECT_EQ(ST_SOCKET_ERROR, Post(NewUpload(&upload)));
    EXPECT_EQ(0u, manager->GetUploads()->GetCount());
    EXPECT_EQ(nullptr, manager->GetUploads()->FindByKey(0x3333, 0x4444));
    EXPECT_EQ((std::vector<std::string>{"addref", "addref", "release", "release"}), upload.Log());
    // The key is free again.
    EXPECT_EQ(ST_SOCKET_ERROR, Post(NewUpload(&secondUpload)));
    manager.reset();
}

} // namespace
